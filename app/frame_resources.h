#pragma once
// The frame's fixed user-interface tables: menu, accelerators, toolbar and
// the strings that give commands their status-bar prompts and tooltips.

#include "app/command_ids.h"

#include <QtCore/QString>
#include <QtGui/QKeySequence>

#include <optional>
#include <span>

// One item of a drop-down menu; no id means a separator.
struct MenuItemResource {
    std::optional<CommandId> id;
    const char* text;  // a tab separates the accelerator hint
};

struct MenuResource {
    const char* title;
    std::span<const MenuItemResource> items;
};

struct AcceleratorResource {
    QKeyCombination keys;
    CommandId id;
};

// File, Edit, Insert, View, Simulation, Help.
std::span<const MenuResource> MainMenu();
// In the order they are tried.
std::span<const AcceleratorResource> Accelerators();
// Toolbar buttons in order; no id means a separator. The n-th button (not
// counting separators) shows the n-th image of the toolbar strip.
std::span<const std::optional<CommandId>> ToolbarButtons();
// The Insert band's buttons in order; the n-th shows the n-th image of the
// Insert strip.
std::span<const CommandId> InsertButtons();
// Pixel size of one toolbar image.
constexpr int kToolbarImageWidth = 16;
constexpr int kToolbarImageHeight = 15;

// Tooltips are cut to this many characters.
constexpr int kMaxTooltipLength = 79;

// The command's string: "prompt\ntooltip", or empty when it has none.
QString CommandString(CommandId id);
// The part before the first line break (the whole string without one).
QString PromptOf(CommandId id);
// The part after the first line break, cut to kMaxTooltipLength; empty
// without a line break.
QString TooltipOf(CommandId id);

QString FrameTitle();
// The status bar's text while no menu item is highlighted.
QString ReadyText();
