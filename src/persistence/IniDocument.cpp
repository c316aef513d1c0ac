#include "persistence/IniDocument.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "common/TextRoutines.h"

namespace tarvo {
namespace {

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// UTF-16 text (after its mark) as UTF-8; a lone surrogate or a trailing odd
// byte becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  constexpr uint32_t kReplacement = 0xFFFD;
  std::string out;
  out.reserve(bytes.size());
  const auto unit = [&](size_t i) {
    const auto a = uint8_t(bytes[i]), b = uint8_t(bytes[i + 1]);
    return bigEndian ? uint32_t(a << 8 | b) : uint32_t(b << 8 | a);
  };
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      const uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        c = kReplacement;
      }
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  if (i < bytes.size()) AppendUtf8(out, kReplacement);
  return out;
}

// The text of the file without its byte-order mark, as UTF-8 where a mark
// named UTF-16.
std::string DecodeText(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return std::string(bytes.substr(3));
  if (bytes.starts_with("\xFF\xFE")) return Utf16ToUtf8(bytes.substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return Utf16ToUtf8(bytes.substr(2), true);
  return std::string(bytes);
}

// "[NAME]" with spaces around allowed; nothing when the line is no section line.
std::optional<std::string_view> SectionName(std::string_view line) {
  const std::string_view t = TrimSpaces(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return std::nullopt;
  return TrimSpaces(t.substr(1, t.size() - 2));
}

}  // namespace

std::string FoldIniName(std::string_view name) {
  std::string folded(TrimSpaces(name));
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return folded;
}

std::optional<int32_t> ParseIniInteger(std::string_view text) {
  std::string_view t = TrimSpaces(text);
  if (!t.empty() && t.front() == '+') {
    t.remove_prefix(1);
    if (t.empty() || t.front() == '-' || t.front() == '+') return std::nullopt;
  }
  if (t.empty()) return std::nullopt;
  int32_t value = 0;
  const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value, 10);
  if (error != std::errc() || end != t.data() + t.size()) return std::nullopt;
  return value;
}

// ---- reading ----

TIniDocument TIniDocument::Parse(std::string_view bytes) {
  TIniDocument doc;
  doc.sections_.push_back(Section{});
  const std::string text = DecodeText(bytes);
  const std::string_view all(text);
  Section* current = &doc.sections_.front();
  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = all.size();
    const std::string_view line = all.substr(pos, end - pos);
    pos = end + 1;  // past CR or LF; past both for CR LF
    if (end + 1 < all.size() && all[end] == '\r' && all[end + 1] == '\n') ++pos;
    if (const auto name = SectionName(line)) {
      current = &doc.SectionFor(*name);
      continue;
    }
    doc.AddLine(*current, line);
  }
  return doc;
}

void TIniDocument::AddLine(Section& section, std::string_view line) {
  Line l;
  const size_t eq = line.find('=');
  const std::string_view key = eq == std::string_view::npos ? std::string_view{} : TrimSpaces(line.substr(0, eq));
  if (key.empty()) {
    // Blank lines are not kept: the writer separates sections itself.
    if (TrimSpaces(line).empty()) return;
    l.Raw = std::string(line);
  } else {
    l.Key = std::string(key);
    l.Value = std::string(line.substr(eq + 1));
    section.Keys.try_emplace(FoldIniName(key), section.Lines.size());
  }
  section.Lines.push_back(std::move(l));
}

const TIniDocument::Section* TIniDocument::FindSection(std::string_view name) const {
  const auto it = sectionIndex_.find(FoldIniName(name));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

TIniDocument::Section* TIniDocument::FindSection(std::string_view name) {
  return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

TIniDocument::Section& TIniDocument::SectionFor(std::string_view name) {
  if (sections_.empty()) sections_.push_back(Section{});
  const auto [it, added] = sectionIndex_.try_emplace(FoldIniName(name), sections_.size());
  if (added) sections_.push_back(Section{std::string(TrimSpaces(name)), {}, {}});
  return sections_[it->second];
}

bool TIniDocument::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TIniDocument::ValueExists(std::string_view section, std::string_view key) const {
  return Value(section, key).has_value();
}

std::optional<std::string> TIniDocument::Value(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (!s) return std::nullopt;
  const auto it = s->Keys.find(FoldIniName(key));
  if (it == s->Keys.end()) return std::nullopt;
  return s->Lines[it->second].Value;
}

std::string TIniDocument::ReadString(std::string_view section, std::string_view key,
                                     const std::string& fallback) const {
  return Value(section, key).value_or(fallback);
}

int32_t TIniDocument::ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const {
  const auto v = Value(section, key);
  if (!v) return fallback;
  return ParseIniInteger(*v).value_or(fallback);
}

bool TIniDocument::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

std::vector<std::string> TIniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (size_t i = 1; i < sections_.size(); ++i) names.push_back(sections_[i].Name);
  return names;
}

// ---- changing ----

void TIniDocument::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string v(value);
  std::replace_if(v.begin(), v.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  Section& s = SectionFor(section);
  const auto [it, added] = s.Keys.try_emplace(FoldIniName(key), s.Lines.size());
  if (added) {
    s.Lines.push_back(Line{std::string(TrimSpaces(key)), std::move(v), {}});
  } else {
    s.Lines[it->second].Value = std::move(v);
  }
}

void TIniDocument::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniDocument::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniDocument::EraseSection(std::string_view section) {
  const auto it = sectionIndex_.find(FoldIniName(section));
  if (it == sectionIndex_.end()) return;
  sections_.erase(sections_.begin() + std::ptrdiff_t(it->second));
  sectionIndex_.clear();
  for (size_t i = 1; i < sections_.size(); ++i) sectionIndex_.emplace(FoldIniName(sections_[i].Name), i);
}

// ---- writing ----

std::string TIniDocument::Serialize() const {
  std::string out;
  const auto put = [&out](std::string_view line) {
    out += line;
    out += "\r\n";
  };
  bool first = true;
  for (size_t i = 0; i < sections_.size(); ++i) {
    const Section& s = sections_[i];
    if (i == 0 && s.Lines.empty()) continue;
    if (!first) put("");
    first = false;
    if (i > 0) put("[" + s.Name + "]");
    for (const Line& l : s.Lines) put(l.Key.empty() ? l.Raw : l.Key + "=" + l.Value);
  }
  // Text that itself opens like a byte-order mark would be read back in
  // another encoding; a UTF-8 mark before it keeps it as it is.
  const std::string_view text(out);
  if (text.starts_with("\xEF\xBB\xBF") || text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
    out.insert(0, "\xEF\xBB\xBF");
  return out;
}

}  // namespace tarvo
