#pragma once
// What this process writes to stderr while an object of this lives.

#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>

namespace lumivex::testing {

class CapturedStderr {
public:
    CapturedStderr() : m_file(std::tmpfile()), m_saved((std::fflush(stderr), ::dup(STDERR_FILENO)))
    {
        ::dup2(::fileno(m_file), STDERR_FILENO);
    }
    ~CapturedStderr() { text(); }

    // Ends the capture and gives what was written.
    std::string text()
    {
        if (m_saved >= 0) {
            std::fflush(stderr);
            ::dup2(m_saved, STDERR_FILENO);
            ::close(std::exchange(m_saved, -1));
            std::rewind(m_file);
            for (int c; (c = std::fgetc(m_file)) != EOF;)
                m_text += char(c);
            std::fclose(m_file);
        }
        return m_text;
    }

private:
    std::FILE* m_file;
    int m_saved;
    std::string m_text;
};

}  // namespace lumivex::testing
