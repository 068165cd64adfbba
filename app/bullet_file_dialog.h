#pragma once
// The modal open and save dialogs for Bullet files. Nothing is read or
// written: the program has no documents, so the caller ignores the answer.

#include <QtWidgets/QFileDialog>

void RunBulletFileDialog(QWidget* owner, QFileDialog::AcceptMode mode);
