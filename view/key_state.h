#pragma once
// Which of the view's keys are held down right now. The window system only
// reports key changes, so the table is kept from press and release events,
// and the view polls it once per tick. A key pressed and released between
// two ticks (a quick tap at a slow tick rate) still counts once: the press
// is latched until a tick has read it.

#include <array>
#include <cstddef>

enum class ViewKey {
    W,
    A,
    S,
    D,
    Left,
    Right,
    Up,
    Down,
    PageUp,
    PageDown,
    Z,
    X,
    C,
    V,
    B,
    N,
    Space,
    T,
    Count
};

class KeyState {
public:
    bool IsDown(ViewKey key) const { return m_down[Index(key)]; }
    // Held now, or pressed since the taps were last forgotten.
    bool Pressed(ViewKey key) const { return m_down[Index(key)] || m_tapped[Index(key)]; }
    void SetDown(ViewKey key, bool down)
    {
        m_down[Index(key)] = down;
        if (down)
            m_tapped[Index(key)] = true;
    }
    // Called by the tick that has acted on the presses.
    void ForgetTap(ViewKey key) { m_tapped[Index(key)] = false; }
    // Forget every held key: released keys are not reported to a window
    // that has lost the focus.
    void Clear()
    {
        m_down.fill(false);
        m_tapped.fill(false);
    }

private:
    static constexpr std::size_t Index(ViewKey key) { return static_cast<std::size_t>(key); }
    std::array<bool, static_cast<std::size_t>(ViewKey::Count)> m_down{};
    std::array<bool, static_cast<std::size_t>(ViewKey::Count)> m_tapped{};
};
