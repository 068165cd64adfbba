#pragma once
// The Tools pane's timeline: a slider over the simulated seconds the world's
// history keeps, a tick each second, and the moment shown. Dragging it
// shows that moment (only while Paused: the frame says when it may).

#include <QtWidgets/QWidget>

#include <functional>

class QLabel;
class QSlider;

// What the timeline shows, in steps of the history (edit/world_history.h).
struct TimelineSpan {
    long long firstStep = 0;
    long long lastStep = 0;
    long long shownStep = 0;
    double stepSeconds = 0;
    double wantedSeconds = 0;
    bool limitedByMemory = false;  // fewer seconds kept than wanted
    bool scrubbable = false;       // Paused with something kept
};

// "At 21.30 s, 20.00 s kept": the moment shown and the span kept; "At 9.00 s,
// 12.50 s of 20 s kept (memory)" when the budget keeps fewer seconds than
// wanted; "Nothing kept" for an empty history.
QString TimelineText(const TimelineSpan& span);

class CHistoryTimeline : public QWidget {
public:
    // scrub is called with the step the user dragged to.
    CHistoryTimeline(std::function<void(long long step)> scrub, QWidget* parent);

    // Shows a span made elsewhere; scrub is not called.
    void Show(const TimelineSpan& span);

    QSlider* Slider() const { return m_slider; }
    QLabel* Label() const { return m_label; }

private:
    std::function<void(long long)> m_scrub;
    QSlider* m_slider = nullptr;
    QLabel* m_label = nullptr;
    long long m_firstStep = 0;
    bool m_showing = false;
};
