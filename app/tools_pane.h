#pragma once
// The Tools pane: one step at a time, slow motion, the timeline of what
// the world did, and which of Bullet's
// debug drawings show over the bodies.

#include "app/history_timeline.h"
#include "edit/slow_motion.h"

#include <QtWidgets/QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QPushButton;

class CToolsPane : public QWidget {
public:
    struct Handlers {
        std::function<void()> step;
        std::function<void(SimulationSpeed)> speed;
        std::function<void(int)> debugMode;  // the parts of view/debug_drawing.h
        std::function<void()> record;        // starts or ends a recording
        std::function<void(long long step)> scrub;  // the timeline was dragged
    };

    CToolsPane(Handlers handlers, QWidget* parent);

    // Show a choice made elsewhere (a restored layout); no handler runs.
    void ShowSpeed(SimulationSpeed speed);
    void ShowDebugMode(int mode);

    QPushButton* StepButton() const { return m_step; }
    QPushButton* RecordButton() const { return m_record; }
    QComboBox* SpeedBox() const { return m_speed; }
    CHistoryTimeline* Timeline() const { return m_timeline; }
    // Wireframe, bounding boxes, contact points, constraints.
    const std::array<QCheckBox*, 4>& DrawingBoxes() const { return m_drawing; }

private:
    int CheckedMode() const;

    Handlers m_handlers;
    QPushButton* m_step = nullptr;
    QPushButton* m_record = nullptr;
    QComboBox* m_speed = nullptr;
    CHistoryTimeline* m_timeline = nullptr;
    std::array<QCheckBox*, 4> m_drawing{};
    bool m_showing = false;  // while true, changes come from ShowSpeed/ShowDebugMode
};

// "Full speed", "1/2 speed", ...
QString SpeedText(SimulationSpeed speed);
