#include "app/bullet_file_dialog.h"

#include <QtCore/QFileInfo>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMessageBox>

namespace {

const QLatin1StringView kBulletSuffix(".bullet");

// The folder a chosen name would live in, when that folder does not exist;
// empty when the name may be accepted.
QString MissingFolderOf(const QString& chosen)
{
    const QFileInfo file(chosen);
    // A folder typed as the name is entered by the dialog itself.
    if (file.isDir())
        return QString();
    const QFileInfo folder(file.absolutePath());
    return folder.isDir() ? QString() : folder.absoluteFilePath();
}

class CBulletFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QStringList chosen = selectedFiles();
        // Only names in folders that exist: the dialog stays open otherwise.
        if (const QString missing = chosen.isEmpty() ? QString() : MissingFolderOf(chosen.front());
            !missing.isEmpty()) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("The folder \u201c%1\u201d does not exist.")
                                     .arg(QDir::toNativeSeparators(missing)));
            return;
        }
        // The suffix goes on before the base class looks at the name, so that
        // it asks about replacing the file that will really be written.
        // Qt's own default suffix would leave "slope.v2" without one.
        // selectFile() leaves a name being typed alone, so the name field
        // itself gets the whole path.
        auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (acceptMode() == AcceptSave && selectedNameFilter() == BulletFileFilter() &&
            chosen.size() == 1 && !chosen.front().endsWith(kBulletSuffix, Qt::CaseInsensitive) &&
            !QFileInfo(chosen.front()).isDir() && name != nullptr)
            name->setText(chosen.front() + kBulletSuffix);
        QFileDialog::accept();
    }
};

}  // namespace

QString BulletFileFilter()
{
    return QStringLiteral("Bullet Files (*.bullet)");
}

std::optional<QString> RunBulletFileDialog(QWidget* owner, QFileDialog::AcceptMode mode,
                                           const QString& initialPath)
{
    CBulletFileDialog dialog(owner);
    // Qt's own dialog: the same on every desktop, and testable in-process.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    // Open takes only a file that is there: the dialog itself says so and
    // stays open, rather than a box after it has closed.
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setWindowTitle(mode == QFileDialog::AcceptOpen ? QStringLiteral("Open")
                                                          : QStringLiteral("Save As"));
    dialog.setNameFilter(BulletFileFilter());
    if (!initialPath.isEmpty())
        dialog.selectFile(initialPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}
