#pragma once
// An INI document held in memory: the settings file and the configuration
// files are read whole into one, changed and written back whole.
//
// Grammar, one line at a time (CR LF, LF or a lone CR ends a line):
//
//   [CAN_SETUP]          a section: "[", the name, "]"; spaces around are ignored
//   EnhancedBaud=108     a key: the name up to the first "=", the value after it
//   ; anything else      kept as it stands: comments, "[NAME" without its "]",
//                        a line without "="
//
// Section and key names are matched without regard to ASCII case and without
// the spaces around them; a value is kept exactly as written. Lines before
// the first section belong to a section without a name. A section that
// appears twice is one section; of a key that appears twice within it the
// first counts. Everything the program does not ask for (sections, keys,
// comments) stays in the document and is written back in its place.
//
// Text is taken as bytes (the system's 8-bit code page); a file opening with
// a UTF-8 byte-order mark loses the mark, one opening with a UTF-16 mark is
// read as UTF-16 and kept as UTF-8. Written lines end in CR LF.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvo {

class TIniDocument {
 public:
  static TIniDocument Parse(std::string_view bytes);
  // The document as file bytes: sections separated by an empty line, CR LF.
  std::string Serialize() const;

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // The value as written, or nothing when the section or key is missing.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key, const std::string& fallback) const;
  // A decimal number with an optional sign (spaces around it allowed) that
  // fits in 32 bits; anything else, or a missing key, gives fallback.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // An integer: 0 is false, any other value true; not a number gives fallback.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  // Replaces the first occurrence of the key, or adds it at the end of its
  // section (the section at the end of the document when new). A line break
  // in the value would start a new line in the file: it becomes a space.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Removes the section with all its lines (every occurrence).
  void EraseSection(std::string_view section);

  // Named sections in document order.
  std::vector<std::string> SectionNames() const;

 private:
  struct Line {
    std::string Key;  // empty for a kept line that is not a key
    std::string Value;
    std::string Raw;  // the line as read, for kept lines
  };
  struct Section {
    std::string Name;
    std::vector<Line> Lines;
    std::unordered_map<std::string, size_t> Keys;  // folded key -> first line holding it
  };

  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;
  Section& SectionFor(std::string_view name);
  void AddLine(Section& section, std::string_view line);

  std::vector<Section> sections_;                         // sections_[0]: lines before the first section
  std::unordered_map<std::string, size_t> sectionIndex_;  // folded name -> position in sections_
};

// Folds ASCII letters to lower case; the form names are compared in.
std::string FoldIniName(std::string_view name);

// Parses a decimal 32-bit integer as ReadInteger does.
std::optional<int32_t> ParseIniInteger(std::string_view text);

}  // namespace tarvo
