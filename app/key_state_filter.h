#pragma once
// Keeps a KeyState in step with the keyboard events the loop delivers, for
// as long as the keys go to the view. It never consumes an event.

#include "app/message_loop.h"
#include "view/key_state.h"

#include <functional>
#include <optional>

// The view key that a Qt key code stands for, if any.
std::optional<ViewKey> ViewKeyFromQtKey(int qtKey);

class CKeyStateFilter : public CMessageFilter {
public:
    // viewHasKeyboard tells whether typed keys are meant for the view right
    // now; while it says no, no key counts as held. Asked on every event.
    // Leaving the application lets go of every key as well.
    CKeyStateFilter(KeyState& keys, std::function<bool()> viewHasKeyboard)
        : m_keys(keys), m_viewHasKeyboard(std::move(viewHasKeyboard))
    {
    }
    bool FilterMessage(const Message& msg) override;

private:
    KeyState& m_keys;
    std::function<bool()> m_viewHasKeyboard;
};
