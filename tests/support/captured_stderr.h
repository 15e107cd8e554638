#pragma once
// What this process writes to stderr while an object of this lives, for a
// check of what a program logs there.

#include <unistd.h>

#include <cstdio>
#include <string>

namespace lumivex::testing {

class CapturedStderr {
public:
    CapturedStderr()
    {
        std::fflush(stderr);
        m_file = std::tmpfile();
        m_saved = ::dup(STDERR_FILENO);
        if (m_file)
            ::dup2(::fileno(m_file), STDERR_FILENO);
    }
    ~CapturedStderr() { restore(); }
    CapturedStderr(const CapturedStderr&) = delete;
    CapturedStderr& operator=(const CapturedStderr&) = delete;

    // Ends the capture and gives what was written.
    std::string text()
    {
        restore();
        return m_text;
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
        if (!m_file)
            return;
        std::rewind(m_file);
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0;)
            m_text.append(buffer, n);
        std::fclose(m_file);
        m_file = nullptr;
    }

    std::FILE* m_file = nullptr;
    int m_saved = -1;
    std::string m_text;
};

}  // namespace lumivex::testing
