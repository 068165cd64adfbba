#pragma once
// KINETTA_ASSERT(condition, fix): a check on a contract between parts of
// Kinetta's own code (call order, a context being current, an index in range).
// It is for misuse by our code only: bad data from a file or the user is
// reported as an error and never asserted on.
//
// Active in Debug builds and wherever the tests are built (KINETTA_ASSERTIONS);
// compiled out otherwise, so a contract check costs nothing in a release.
// The message says what to change, not only what went wrong:
//     KINETTA_ASSERT(m_world == nullptr, "call Scene::Destroy() before the scene is deleted");

#include <cstdio>
#include <cstdlib>

namespace kinetta::detail {

[[noreturn]] inline void AssertionFailed(const char* condition, const char* fix, const char* file,
                                         int line, const char* function)
{
    std::fprintf(stderr, "%s:%d: %s: contract broken: %s\n  fix: %s\n", file, line, function,
                 condition, fix);
    std::fflush(stderr);
    std::abort();
}

}  // namespace kinetta::detail

#if defined(KINETTA_ASSERTIONS)
#define KINETTA_ASSERT(condition, fix)                                                           \
    ((condition) ? static_cast<void>(0)                                                          \
                 : ::kinetta::detail::AssertionFailed(#condition, fix, __FILE__, __LINE__,       \
                                                      __func__))
#else
#define KINETTA_ASSERT(condition, fix) static_cast<void>(sizeof(static_cast<bool>(condition)))
#endif
