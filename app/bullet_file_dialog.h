#pragma once
// The modal open and save dialogs for Bullet files.

#include <QtCore/QString>
#include <QtWidgets/QFileDialog>

#include <optional>

// The description of the dialogs' one filter.
QString BulletFileFilter();

// The chosen file's path, or nothing when the dialog was cancelled. The save
// dialog starts on initialPath when it is given (the open file's name), adds
// ".bullet" to a name typed without it while the Bullet filter is selected,
// and asks before it replaces a file.
std::optional<QString> RunBulletFileDialog(QWidget* owner, QFileDialog::AcceptMode mode,
                                           const QString& initialPath = {});
