#pragma once
// Keeps a KeyState in step with the keyboard events the loop delivers.
// It never consumes an event.

#include "app/message_loop.h"

class KeyState;

class CKeyStateFilter : public CMessageFilter {
public:
    explicit CKeyStateFilter(KeyState& keys) : m_keys(keys) {}
    bool FilterMessage(const Message& msg) override;

private:
    KeyState& m_keys;
};
