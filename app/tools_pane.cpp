#include "app/tools_pane.h"

#include "view/debug_drawing.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

namespace {

struct DrawingChoice {
    const char* text;
    int mode;
};

constexpr DrawingChoice kDrawing[] = {
    {"&Wireframe", debug_drawing::kWireframe},
    {"&Bounding boxes", debug_drawing::kBoundingBoxes},
    {"&Contact points", debug_drawing::kContactPoints},
    {"Co&nstraints", debug_drawing::kConstraints},
};

}  // namespace

QString SpeedText(SimulationSpeed speed)
{
    return speed == SimulationSpeed::Full
               ? QStringLiteral("Full speed")
               : QStringLiteral("1/%1 speed").arg(TicksPerStep(speed));
}

CToolsPane::CToolsPane(Handlers handlers, QWidget* parent)
    : QWidget(parent), m_handlers(std::move(handlers))
{
    auto* layout = new QVBoxLayout(this);

    auto* time = new QGroupBox(QStringLiteral("Time"), this);
    auto* timeLayout = new QFormLayout(time);
    m_step = new QPushButton(QStringLiteral("&Step"), time);
    m_step->setObjectName(QStringLiteral("stepButton"));
    m_step->setToolTip(QStringLiteral("Advance the simulation by one step (F8)"));
    connect(m_step, &QPushButton::clicked, this, [this] {
        if (m_handlers.step)
            m_handlers.step();
    });
    timeLayout->addRow(m_step);
    m_record = new QPushButton(QStringLiteral("&Record..."), time);
    m_record->setObjectName(QStringLiteral("recordButton"));
    m_record->setToolTip(QStringLiteral("Record a video of the view; again to stop"));
    connect(m_record, &QPushButton::clicked, this, [this] {
        if (m_handlers.record)
            m_handlers.record();
    });
    timeLayout->addRow(m_record);
    m_speed = new QComboBox(time);
    m_speed->setObjectName(QStringLiteral("speedBox"));
    for (SimulationSpeed speed : kSimulationSpeeds)
        m_speed->addItem(SpeedText(speed), TicksPerStep(speed));
    connect(m_speed, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_showing || index < 0 || !m_handlers.speed)
            return;
        m_handlers.speed(SpeedFromTicksPerStep(m_speed->itemData(index).toInt()));
    });
    timeLayout->addRow(QStringLiteral("S&peed:"), m_speed);
    m_timeline = new CHistoryTimeline(
        [this](long long step) {
            if (m_handlers.scrub)
                m_handlers.scrub(step);
        },
        time);
    timeLayout->addRow(m_timeline);
    layout->addWidget(time);

    auto* drawing = new QGroupBox(QStringLiteral("Debug drawing"), this);
    auto* drawingLayout = new QVBoxLayout(drawing);
    for (std::size_t i = 0; i < m_drawing.size(); ++i) {
        m_drawing[i] = new QCheckBox(QString::fromUtf8(kDrawing[i].text), drawing);
        connect(m_drawing[i], &QCheckBox::toggled, this, [this] {
            if (!m_showing && m_handlers.debugMode)
                m_handlers.debugMode(CheckedMode());
        });
        drawingLayout->addWidget(m_drawing[i]);
    }
    layout->addWidget(drawing);
    layout->addStretch(1);
}

int CToolsPane::CheckedMode() const
{
    int mode = 0;
    for (std::size_t i = 0; i < m_drawing.size(); ++i)
        if (m_drawing[i]->isChecked())
            mode |= kDrawing[i].mode;
    return mode;
}

void CToolsPane::ShowSpeed(SimulationSpeed speed)
{
    m_showing = true;
    m_speed->setCurrentIndex(m_speed->findData(TicksPerStep(speed)));
    m_showing = false;
}

void CToolsPane::ShowDebugMode(int mode)
{
    m_showing = true;
    for (std::size_t i = 0; i < m_drawing.size(); ++i)
        m_drawing[i]->setChecked((mode & kDrawing[i].mode) == kDrawing[i].mode);
    m_showing = false;
}
