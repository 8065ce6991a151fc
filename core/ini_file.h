#pragma once
// INI profile files as Windows keeps them: "[Section]" lines followed by
// "Key=Value" lines, section and key names compared without regard to ASCII
// case, values as raw Windows-1252 bytes of any length. Lines that are
// neither (comments, blank lines, text before the first section) are kept as
// they are; untouched lines are written back byte for byte.
//
// IniDocument is the pure text model. TIniFile binds it to a file: every
// TIniFile on the same canonical path shares one document, writes go through
// to the file at once (a temporary file renamed over it), and reads see
// changes that another program made to the file.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/result.h"

namespace tv {

class IniDocument {
public:
    // Reads LF or CR LF line ends; never fails.
    static IniDocument Parse(std::string_view bytes);
    // Every line ended by CR LF.
    std::string Serialize() const;

    // Section names in file order, each name once (first spelling).
    std::vector<std::string> sections() const;
    // Key names of the first section of that name, in file order.
    std::vector<std::string> keys(std::string_view section) const;
    // With `verbatim`, values keep the blanks after the '=' (see getVerbatim).
    std::vector<std::pair<std::string, std::string>> values(std::string_view section, bool verbatim = false) const;
    bool hasSection(std::string_view section) const;
    bool hasKey(std::string_view section, std::string_view key) const;
    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    // The value exactly as it stands after the '=', blanks included (note
    // lines keep their indentation).
    std::optional<std::string> getVerbatim(std::string_view section, std::string_view key) const;

    // Sets a value, adding the key (at the end of its section) or the section
    // (at the end of the file) when missing; an existing key keeps its
    // spelling. CR and LF in the value become blanks. False, with nothing
    // changed, when the name cannot be stored (empty, or a key with '=' or a
    // section with ']', or a line break in either).
    bool set(std::string_view section, std::string_view key, std::string_view value);
    // Removes every section of that name; false when there was none.
    bool eraseSection(std::string_view section);
    // Removes the key from the first section of that name; false when absent.
    bool deleteKey(std::string_view section, std::string_view key);

    bool empty() const { return sections_.empty(); }

private:
    struct Line {
        std::string raw;       // the line as read or as last written, without its line end
        std::string key;       // empty for a line that is not a key
        size_t valuePos = 0;   // where the value starts in `raw`
    };
    struct Section {
        bool header = true;    // false only for the lines before the first section
        std::string name;
        std::string raw;       // the header line as read
        std::vector<Line> lines;
        // Lower-cased key -> index in `lines` of its first line; built on
        // the first look-up, kept up to date by appends, dropped otherwise.
        mutable std::unordered_map<std::string, size_t> keyIndex;
        mutable bool keyIndexValid = false;
    };

    Section* find(std::string_view section);
    const Section* find(std::string_view section) const;
    static const Line* findKey(const Section& s, std::string_view key);

    std::vector<Section> sections_;
    // Lower-cased section name -> index of its first section; rebuilt after
    // sections were added or removed.
    mutable std::unordered_map<std::string, size_t> index_;
    mutable bool indexValid_ = false;
};

// The process-wide hook called after every failed write of an INI file
// (file path, error). The program shows a box; the debug log records it.
using IniWriteFailureHandler = std::function<void(const std::string& path, const Error& error)>;
void SetIniWriteFailureHandler(IniWriteFailureHandler handler);

namespace detail {
struct SharedIni;
}

class TIniFile {
public:
    // Opens (or joins) the document of the file; the file itself is created
    // by the first write.
    explicit TIniFile(const std::string& path);
    ~TIniFile();
    TIniFile(const TIniFile&);
    TIniFile& operator=(const TIniFile&);

    // The path as given to the constructor.
    const std::string& fileName() const { return path_; }

    std::string readString(std::string_view section, std::string_view key, std::string_view def = {}) const;
    std::string readStringVerbatim(std::string_view section, std::string_view key, std::string_view def = {}) const;
    // Integers: decimal, else `def`. Booleans: an integer other than 0 is
    // true, a non-number gives `def`. Floats: '.' as separator, else `def`.
    int readInteger(std::string_view section, std::string_view key, int def = 0) const;
    bool readBool(std::string_view section, std::string_view key, bool def = false) const;
    double readFloat(std::string_view section, std::string_view key, double def = 0) const;

    // Each returns true once the file holds the change (or the change waits
    // for the end of an update()); false after a failed write, see lastError().
    // The document keeps the value either way, and the next write retries.
    bool writeString(std::string_view section, std::string_view key, std::string_view value);
    bool writeInteger(std::string_view section, std::string_view key, long long value);
    bool writeBool(std::string_view section, std::string_view key, bool value);
    bool writeFloat(std::string_view section, std::string_view key, double value);

    std::vector<std::string> readSections() const;
    std::vector<std::string> readSection(std::string_view section) const;  // key names
    std::vector<std::pair<std::string, std::string>> readSectionValues(std::string_view section,
                                                                       bool verbatim = false) const;
    bool sectionExists(std::string_view section) const;
    bool valueExists(std::string_view section, std::string_view key) const;
    bool eraseSection(std::string_view section);
    bool deleteKey(std::string_view section, std::string_view key);

    // Runs `body` with the file written once at its end instead of after each
    // change; returns whether that write succeeded. May be nested.
    bool update(const std::function<void()>& body);

    // The error of the last failed write on this file (code 0 when none).
    Error lastError() const;
    // The error of a file that is there but cannot be read (a folder, a pipe
    // or a device in its place, or no access); code 0 when it was read or is
    // missing. While it cannot be read, no write replaces it.
    Error readError() const;

private:
    std::string path_;
    std::shared_ptr<detail::SharedIni> shared_;
};

}  // namespace tv
