#include "app/app_module.h"

#include <algorithm>

CAppModule g_module;

void CAppModule::Init()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_mainThread = std::this_thread::get_id();
    m_threads.clear();
    m_loops.clear();
}

void CAppModule::Term()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_threads.clear();
    m_threads.shrink_to_fit();
    m_loops.clear();
    m_loops.shrink_to_fit();
}

bool CAppModule::AddLoop(CMessageLoop* loop)
{
    std::lock_guard<std::mutex> guard(m_lock);
    try {
        m_threads.push_back(std::this_thread::get_id());
        m_loops.push_back(loop);
    } catch (const std::bad_alloc&) {
        // Keep the arrays parallel.
        m_loops.resize(std::min(m_loops.size(), m_threads.size()));
        m_threads.resize(m_loops.size());
        return false;
    }
    return true;
}

void CAppModule::RemoveLoop()
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = std::find(m_threads.begin(), m_threads.end(), std::this_thread::get_id());
    if (it == m_threads.end())
        return;
    const auto index = it - m_threads.begin();
    m_threads.erase(it);
    m_loops.erase(m_loops.begin() + index);
}

CMessageLoop* CAppModule::GetLoop(std::thread::id thread) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = std::find(m_threads.begin(), m_threads.end(), thread);
    return it == m_threads.end() ? nullptr : m_loops[it - m_threads.begin()];
}

std::thread::id CAppModule::MainThread() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_mainThread;
}
