#pragma once
// The Insert commands: each adds its body in front of the eye
// (edit/body_insertion.h) and says so in the status bar.

#include "app/command_ids.h"

#include <QtCore/QObject>
#include <QtCore/QString>

#include <functional>

class CKinettaView;
class QMainWindow;

class CInsertCommands : public QObject {
public:
    // showMessage puts a line in the status bar. The view must outlive this.
    CInsertCommands(QMainWindow& frame, CKinettaView& view,
                    std::function<void(const QString&)> showMessage);

    static bool IsInsert(CommandId id);
    // False, with the reason shown, when nothing was added.
    bool Insert(CommandId id);

private:
    CKinettaView& m_view;
    std::function<void(const QString&)> m_showMessage;
};
