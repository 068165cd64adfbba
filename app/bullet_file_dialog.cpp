#include "app/bullet_file_dialog.h"

void RunBulletFileDialog(QWidget* owner, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(owner);
    // Qt's own dialog: the same on every desktop, and testable in-process.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowTitle(mode == QFileDialog::AcceptOpen ? QStringLiteral("Open")
                                                          : QStringLiteral("Save As"));
    dialog.setNameFilter(QStringLiteral("Bullet Files (*.bullet)"));
    // Nothing gets written, so there is nothing to warn about.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.exec();
}
