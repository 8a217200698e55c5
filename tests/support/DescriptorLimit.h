// Running a test out of file descriptors, to see how code copes when the system refuses one.
#pragma once

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>

namespace qstest {

// While Tighten is in force, the process may open no descriptor beyond those it holds now (below
// the lowest free one): the next accept, socket or open fails. Restore, or the destructor, lifts
// the limit again.
class CDescriptorLimit {
public:
    CDescriptorLimit() = default;
    ~CDescriptorLimit() { Restore(); }
    CDescriptorLimit(const CDescriptorLimit&) = delete;
    CDescriptorLimit& operator=(const CDescriptorLimit&) = delete;

    bool Tighten()
    {
        if (m_tight || getrlimit(RLIMIT_NOFILE, &m_saved) != 0)
            return false;
        const int lowestFree = dup(0);
        if (lowestFree < 0)
            return false;
        close(lowestFree);
        rlimit tight = m_saved;
        tight.rlim_cur = static_cast<rlim_t>(lowestFree);
        m_tight = setrlimit(RLIMIT_NOFILE, &tight) == 0;
        return m_tight;
    }

    bool Restore()
    {
        if (!m_tight)
            return true;
        m_tight = setrlimit(RLIMIT_NOFILE, &m_saved) != 0;
        return !m_tight;
    }

private:
    rlimit m_saved {};
    bool m_tight = false;
};

} // namespace qstest
#endif
