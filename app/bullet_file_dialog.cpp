#include "app/bullet_file_dialog.h"

#include <QtWidgets/QLineEdit>

namespace {

const QLatin1StringView kBulletSuffix(".bullet");

class CBulletFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        // The suffix goes on before the base class looks at the name, so that
        // it asks about replacing the file that will really be written.
        // Qt's own default suffix would leave "slope.v2" without one.
        // selectFile() leaves a name being typed alone, so the name field
        // itself gets the whole path.
        const QStringList chosen = selectedFiles();
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
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowTitle(mode == QFileDialog::AcceptOpen ? QStringLiteral("Open")
                                                          : QStringLiteral("Save As"));
    dialog.setNameFilter(BulletFileFilter());
    if (!initialPath.isEmpty())
        dialog.selectFile(initialPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}
