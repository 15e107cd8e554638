#include "platform/ini_syntax.h"

#include <algorithm>

namespace lumivex::ini {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

char foldChar(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool isSpace(char c)
{
    return isBlank(c) || isLineBreak(c);
}

bool hasAny(std::string_view s, std::string_view bytes)
{
    return s.find_first_of(bytes) != std::string_view::npos;
}

const std::string_view kBreaksAndNul("\r\n\0", 3);

// Walks the text as the reader does, one entry at a time.
class Scanner {
public:
    explicit Scanner(std::string_view text)
        : m_text(text)
    {
        m_layout.begin = text.substr(0, 3) == kByteOrderMark ? 3 : 0;
        m_layout.end = std::min(text.find('\0'), text.size());
    }

    Layout run()
    {
        size_t p = m_layout.begin;
        while (true) {
            p = skip(p, isSpace);
            if (p == end())
                break;
            if (at(p) == ';' || at(p) == '#')
                p = lineEnd(p);
            else if (at(p) == '[')
                p = header(p);
            else
                p = key(p);
        }
        return std::move(m_layout);
    }

private:
    size_t end() const { return m_layout.end; }
    char at(size_t p) const { return m_text[p]; }

    template <typename Predicate>
    size_t skip(size_t p, Predicate skipped) const
    {
        while (p < end() && skipped(at(p)))
            ++p;
        return p;
    }

    size_t lineEnd(size_t p) const
    {
        return skip(p, [](char c) { return !isLineBreak(c); });
    }

    size_t nextLine(size_t lineEnd) const
    {
        if (lineEnd == end())
            return lineEnd;
        return lineEnd + (at(lineEnd) == '\r' && lineEnd + 1 < end() && at(lineEnd + 1) == '\n' ? 2 : 1);
    }

    size_t trimBack(size_t begin, size_t p) const
    {
        while (p > begin && isBlank(at(p - 1)))
            --p;
        return p;
    }

    size_t header(size_t open)
    {
        const size_t nameBegin = skip(open + 1, isSpace);
        m_layout.endsInOpenHeader = nameBegin == end();
        const size_t close = skip(nameBegin, [](char c) { return c != ']' && !isLineBreak(c); });
        if (close == end() || at(close) != ']') {
            m_reachable = false;
            return close;
        }
        m_section = m_text.substr(nameBegin, trimBack(nameBegin, close) - nameBegin);
        m_reachable = true;
        const size_t stop = lineEnd(close);
        m_layout.entries.push_back({Entry::Kind::Header, m_section, true, {}, {}, open, stop, nextLine(stop)});
        return stop;
    }

    size_t key(size_t begin)
    {
        const size_t eq = skip(begin, [](char c) { return c != '=' && !isLineBreak(c); });
        if (eq == end() || at(eq) != '=')
            return eq;  // no value: not a key
        if (eq == begin)
            return lineEnd(eq);  // no name
        const size_t valueBegin = skip(eq + 1, isBlank);
        const size_t stop = lineEnd(valueBegin);
        const std::string_view name = m_text.substr(begin, trimBack(begin, eq) - begin);
        const std::string_view value = m_text.substr(valueBegin, trimBack(valueBegin, stop) - valueBegin);
        m_layout.entries.push_back({Entry::Kind::Key, m_section, m_reachable, name, value, begin, stop, nextLine(stop)});
        return nextLine(stop);
    }

    std::string_view m_text;
    Layout m_layout;
    std::string_view m_section;  // keys before any header are in section ""
    bool m_reachable = true;
};

}  // namespace

std::string foldName(std::string_view name)
{
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), foldChar);
    return folded;
}

bool sameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return foldChar(x) == foldChar(y); });
}

std::string_view valueAsRead(std::string_view value)
{
    while (!value.empty() && isBlank(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && isBlank(value.back()))
        value.remove_suffix(1);
    return value;
}

bool storableSection(std::string_view name)
{
    return !hasAny(name, kBreaksAndNul) && name.find(']') == std::string_view::npos
        && (name.empty() || (!isBlank(name.front()) && !isBlank(name.back())));
}

bool storableKey(std::string_view name)
{
    return !name.empty() && !hasAny(name, kBreaksAndNul) && name.find('=') == std::string_view::npos
        && !isBlank(name.front()) && !isBlank(name.back()) && name.front() != '[' && name.front() != ';'
        && name.front() != '#';
}

bool storableValue(std::string_view value)
{
    return !hasAny(value, kBreaksAndNul);
}

Layout scan(std::string_view text)
{
    return Scanner(text).run();
}

}  // namespace lumivex::ini
