#include "platform/emu/RegistryFile.h"

#include "platform/api/WinReg.h"
#include "platform/emu/RegistryData.h"
#include "platform/emu/Text.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace emu {

namespace {

constexpr std::string_view headerLine = "Korvane device registry 1";
constexpr std::string_view endLine = "end";

bool isHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

void appendHex(std::string& out, std::uint64_t value, int digits)
{
    constexpr char hexDigits[] = "0123456789abcdef";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += hexDigits[(value >> shift) & 0xF];
}

std::string escaped(std::u16string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            out += toUtf8(text.substr(i, 2));
            ++i;
        } else if (c < 0x20 || c == 0x7F || c == u'%' || c == u'"' || isHighSurrogate(c) || isLowSurrogate(c)) {
            out += '%';
            appendHex(out, c, 4);
        } else {
            out += toUtf8(text.substr(i, 1));
        }
    }
    return out;
}

std::string quotedField(std::u16string_view text)
{
    return '"' + escaped(text) + '"';
}

std::string bytesText(const std::vector<BYTE>& data)
{
    std::string out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0)
            out += ',';
        appendHex(out, data[i], 2);
    }
    return out;
}

std::string valueText(const RegistryValue& value)
{
    switch (value.type) {
    case REG_DWORD:
        if (const auto number = dwordOf(value.data)) {
            std::string out = "dword:";
            appendHex(out, *number, 8);
            return out;
        }
        break;
    case REG_QWORD:
        if (const auto number = qwordOf(value.data)) {
            std::string out = "qword:";
            appendHex(out, *number, 16);
            return out;
        }
        break;
    case REG_SZ:
        if (const auto text = stringOf(value.data))
            return "sz:" + quotedField(*text);
        break;
    case REG_MULTI_SZ:
        if (const auto texts = multiStringOf(value.data)) {
            std::string out = "multi_sz:";
            for (std::size_t i = 0; i < texts->size(); ++i)
                out += (i > 0 ? "," : "") + quotedField((*texts)[i]);
            return out;
        }
        break;
    case REG_BINARY:
        return "binary:" + bytesText(value.data);
    default:
        break;
    }
    return "hex(" + std::to_string(value.type) + "):" + bytesText(value.data);
}

void formatKey(std::string& out, const RegistryKey& key, const std::string& path)
{
    out += '[' + path + "]\n";
    for (const RegistryValue& value : key.values())
        out += quotedField(value.name) + '=' + valueText(value) + '\n';
    for (const auto& subkey : key.subkeys())
        formatKey(out, *subkey, path + '\\' + escaped(subkey->name()));
}

// ---- Reading

std::optional<std::uint64_t> hexNumber(std::string_view text, std::size_t mostDigits)
{
    if (text.empty() || text.size() > mostDigits)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0)
            return std::nullopt;
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    return value;
}

std::optional<std::u16string> unescaped(std::string_view text)
{
    std::u16string out;
    std::size_t runStart = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            ++i;
            continue;
        }
        out += fromUtf8(text.substr(runStart, i - runStart));
        const auto code = hexNumber(text.substr(i + 1, 4), 4);
        if (!code || i + 5 > text.size())
            return std::nullopt;
        out += static_cast<char16_t>(*code);
        i += 5;
        runStart = i;
    }
    out += fromUtf8(text.substr(runStart));
    return out;
}

// Reads a quoted text from the front of `rest` and moves past it.
std::optional<std::u16string> takeQuoted(std::string_view& rest)
{
    if (!rest.starts_with('"'))
        return std::nullopt;
    const auto close = rest.find('"', 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    auto text = unescaped(rest.substr(1, close - 1));
    rest.remove_prefix(close + 1);
    return text;
}

std::optional<std::vector<BYTE>> bytesOf(std::string_view text)
{
    std::vector<BYTE> data;
    if (text.empty())
        return data;
    for (;;) {
        const auto comma = text.find(',');
        const auto byte = hexNumber(text.substr(0, comma), 2);
        if (!byte || text.substr(0, comma).size() != 2)
            return std::nullopt;
        data.push_back(static_cast<BYTE>(*byte));
        if (comma == std::string_view::npos)
            return data;
        text.remove_prefix(comma + 1);
    }
}

std::optional<DWORD> typeNumber(std::string_view text)
{
    if (text.empty() || text.size() > 10 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const std::uint64_t value = std::stoull(std::string(text));
    return value > 0xFFFFFFFF ? std::nullopt : std::optional(static_cast<DWORD>(value));
}

// Reads the file line by line; the first problem found ends it.
class Reader {
public:
    explicit Reader(std::span<const std::shared_ptr<RegistryKey>> roots)
        : m_roots(roots)
    {
    }

    // What is wrong with the line, or an empty string.
    std::string readLine(std::string_view line)
    {
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (m_lines++ == 0)
            return line == headerLine ? std::string() : "not a registry file: the first line should be \"" + std::string(headerLine) + "\"";
        if (m_ended)
            return line.empty() ? std::string() : "text after the closing \"end\" line";
        if (line.empty())
            return {};
        if (line == endLine) {
            m_ended = true;
            return {};
        }
        if (line.starts_with('[') && line.ends_with(']'))
            return readKey(line.substr(1, line.size() - 2));
        if (line.starts_with('"'))
            return readValue(line);
        return "expected [KEY], \"NAME\"=TYPE:DATA or end";
    }

    // What is wrong with the file as a whole once every line was read.
    std::string finish() const
    {
        if (m_lines == 0)
            return "the file is empty";
        return m_ended ? std::string() : "the file ends without its closing \"end\" line";
    }

    int lines() const { return m_lines; }

private:
    std::string readKey(std::string_view path)
    {
        const auto rootEnd = path.find('\\');
        const std::u16string rootName = fromUtf8(path.substr(0, rootEnd));
        const auto root = std::find_if(m_roots.begin(), m_roots.end(), [&](const auto& key) { return equalsIgnoringCase(key->name(), rootName); });
        if (root == m_roots.end())
            return "unknown root key " + std::string(path.substr(0, rootEnd));
        std::shared_ptr<RegistryKey> key = *root;
        std::string_view rest = rootEnd == std::string_view::npos ? std::string_view() : path.substr(rootEnd + 1);
        while (rootEnd != std::string_view::npos) {
            const auto separator = rest.find('\\');
            const auto name = unescaped(rest.substr(0, separator));
            if (!name)
                return "bad %HHHH escape in the key name " + std::string(rest.substr(0, separator));
            if (name->empty() || name->size() > RegistryKey::longestName || name->find(u'\\') != std::u16string::npos)
                return "bad key name \"" + std::string(rest.substr(0, separator)) + "\"";
            key = key->addSubkey(*name);
            if (separator == std::string_view::npos)
                break;
            rest.remove_prefix(separator + 1);
        }
        m_key = std::move(key);
        return {};
    }

    std::string readValue(std::string_view rest)
    {
        if (!m_key)
            return "a value before the first [KEY] line";
        const auto name = takeQuoted(rest);
        if (!name)
            return "bad value name";
        if (!rest.starts_with('='))
            return "expected = after the value name";
        rest.remove_prefix(1);
        const auto colon = rest.find(':');
        if (colon == std::string_view::npos)
            return "expected TYPE:DATA after =";
        const std::string_view type = rest.substr(0, colon);
        const std::string_view data = rest.substr(colon + 1);
        const std::string where = " for the value \"" + toUtf8(*name) + "\"";

        if (type == "dword") {
            const auto number = hexNumber(data, 8);
            if (!number)
                return "bad dword " + std::string(data) + where;
            m_key->setValue(*name, REG_DWORD, dwordData(static_cast<DWORD>(*number)));
        } else if (type == "qword") {
            const auto number = hexNumber(data, 16);
            if (!number)
                return "bad qword " + std::string(data) + where;
            m_key->setValue(*name, REG_QWORD, qwordData(*number));
        } else if (type == "sz") {
            std::string_view text = data;
            const auto value = takeQuoted(text);
            if (!value || !text.empty())
                return "bad text " + std::string(data) + where;
            m_key->setValue(*name, REG_SZ, stringData(*value));
        } else if (type == "multi_sz") {
            std::vector<std::u16string> texts;
            for (std::string_view list = data; !list.empty();) {
                auto text = takeQuoted(list);
                if (!text || text->empty() || (!list.empty() && !list.starts_with(',')) || list == ",")
                    return "bad list of texts " + std::string(data) + where;
                texts.push_back(std::move(*text));
                if (!list.empty())
                    list.remove_prefix(1);
            }
            m_key->setValue(*name, REG_MULTI_SZ, multiStringData(texts));
        } else if (type == "binary" || (type.starts_with("hex(") && type.ends_with(')'))) {
            const auto number = type == "binary" ? std::optional<DWORD>(REG_BINARY) : typeNumber(type.substr(4, type.size() - 5));
            if (!number)
                return "bad value type " + std::string(type) + where;
            auto bytes = bytesOf(data);
            if (!bytes)
                return "bad bytes " + std::string(data) + where + " (write 01,ff,0a)";
            m_key->setValue(*name, *number, std::move(*bytes));
        } else {
            return "unknown value type " + std::string(type) + where;
        }
        return {};
    }

    std::span<const std::shared_ptr<RegistryKey>> m_roots;
    std::shared_ptr<RegistryKey> m_key;
    int m_lines { 0 };
    bool m_ended { false };
};

std::string systemError(int error)
{
    return std::generic_category().message(error);
}

bool writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t put = ::write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

}

RegistryFile::RegistryFile(std::filesystem::path file)
    : m_file(std::move(file))
{
}

std::string RegistryFile::load(std::span<const std::shared_ptr<RegistryKey>> roots) const
{
    std::ifstream in(m_file, std::ios::binary);
    if (!in) {
        std::error_code error;
        if (!std::filesystem::exists(m_file, error) && !error)
            return {};
        return "cannot read " + m_file.string();
    }
    Reader reader(roots);
    for (std::string line; std::getline(in, line);) {
        if (const std::string problem = reader.readLine(line); !problem.empty())
            return m_file.string() + ":" + std::to_string(reader.lines()) + ": " + problem;
    }
    if (in.bad())
        return "cannot read " + m_file.string();
    if (const std::string problem = reader.finish(); !problem.empty())
        return m_file.string() + ":" + std::to_string(std::max(reader.lines(), 1)) + ": " + problem;
    return {};
}

std::string RegistryFile::format(std::span<const std::shared_ptr<RegistryKey>> roots)
{
    std::string out(headerLine);
    out += '\n';
    for (const auto& root : roots)
        formatKey(out, *root, escaped(root->name()));
    out += endLine;
    out += '\n';
    return out;
}

std::string RegistryFile::save(std::span<const std::shared_ptr<RegistryKey>> roots) const
{
    const std::string text = format(roots);
    const std::filesystem::path folder = m_file.parent_path();
    std::error_code created;
    std::filesystem::create_directories(folder, created);
    if (created)
        return "cannot create " + folder.string() + ": " + created.message();

    const std::string temporary = m_file.string() + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return "cannot write " + temporary + ": " + systemError(errno);
    bool written = writeAll(fd, text) && ::fsync(fd) == 0;
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return "cannot write " + temporary + ": " + systemError(error);
    }
    if (::rename(temporary.c_str(), m_file.c_str()) != 0) {
        error = errno;
        ::unlink(temporary.c_str());
        return "cannot replace " + m_file.string() + ": " + systemError(error);
    }
    // The rename itself lasts only once the folder is on the disk.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool flushed = folderFd >= 0 && ::fsync(folderFd) == 0;
    error = flushed ? 0 : errno;
    if (folderFd >= 0)
        ::close(folderFd);
    return flushed ? std::string() : "cannot flush " + folder.string() + ": " + systemError(error);
}

}
