#include "dbc/DbcReader.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <unordered_map>

#include "common/ReplacingFile.h"
#include "dbc/SignalCodec.h"

namespace tarvo {

namespace {

// A sort that keeps entries of equal keys in the order they were added
// (what std::stable_sort does, without its temporary buffer, which the
// sanitizer builds of the tests report as a mismatched free).
template <typename T, typename Less>
void SortKeepingOrder(std::vector<T>& items, Less less) {
  std::vector<uint32_t> order(items.size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    if (less(items[a], items[b])) return true;
    if (less(items[b], items[a])) return false;
    return a < b;
  });
  std::vector<T> sorted;
  sorted.reserve(items.size());
  for (uint32_t i : order) sorted.push_back(std::move(items[i]));
  items = std::move(sorted);
}

enum TTokenKind : uint8_t { TOKEN_END, TOKEN_IDENT, TOKEN_NUMBER, TOKEN_STRING, TOKEN_PUNCT };

struct TToken {
  TTokenKind Kind = TOKEN_END;
  std::string_view Text;  // a string's text without its quotes (escapes still in)
  int32_t Line = 0;
  int32_t Column = 0;
  bool FirstOnLine = false;  // no token before it on its line
};

// Thrown inside the reader only; ReadDbc turns it into the result. A fault
// that is not Final skips its statement; a Final one ends the reading.
struct TDbcFailure {
  TDbcError Error;
  bool Final = false;
};

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// A token quoted for a message: printable ASCII as it is, other bytes as
// \xNN, and long tokens cut (a 10 MB word must not become a 10 MB message).
std::string Quote(std::string_view text) {
  constexpr size_t Limit = 40;
  std::string out;
  for (size_t i = 0; i < text.size() && i < Limit; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      out += char(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  if (text.size() > Limit) out += "...";
  return out;
}

class Tokenizer {
 public:
  explicit Tokenizer(std::string_view text) : Text_(text) {
    if (Text_.substr(0, 3) == "\xEF\xBB\xBF") Pos_ = LineStart_ = 3;  // UTF-8 byte-order mark
  }

  struct TState {
    size_t Pos, LineStart;
    int32_t Line;
    bool LineHasToken;
  };
  TState Save() const { return {Pos_, LineStart_, Line_, LineHasToken_}; }
  void Restore(const TState& s) {
    Pos_ = s.Pos;
    LineStart_ = s.LineStart;
    Line_ = s.Line;
    LineHasToken_ = s.LineHasToken;
  }

  // Moves over spaces, line ends and comments to the next token.
  void SkipBlank() { SkipSpace(); }

  // After a statement that could not be read: moves to the next line whose
  // first word is a statement keyword; false at the end of the text.
  template <typename IsKeyword>
  bool SkipToNextStatementLine(IsKeyword isKeyword) {
    for (;;) {
      while (Pos_ < Text_.size() && !IsLineEnd(Text_[Pos_])) ++Pos_;
      if (Pos_ >= Text_.size()) return false;
      Pos_ += LineEndLength(Pos_);
      NewLine(Pos_);
      size_t p = Pos_;
      while (p < Text_.size() && (Text_[p] == ' ' || Text_[p] == '\t')) ++p;
      size_t end = p;
      while (end < Text_.size() && IsIdentChar(Text_[end])) ++end;
      if (end > p && isKeyword(Text_.substr(p, end - p))) {
        Pos_ = p;
        return true;
      }
    }
  }

  // The lines after the current one whose first word is word, up to the
  // first line that starts another statement (all lines to the end with
  // toTheEnd): what a vector about to fill may reserve at once.
  template <typename IsKeyword>
  size_t CountLinesStartingWith(std::string_view word, bool toTheEnd, IsKeyword isKeyword) const {
    size_t n = 0;
    for (size_t p = Pos_;;) {
      while (p < Text_.size() && !IsLineEnd(Text_[p])) ++p;
      if (p >= Text_.size()) return n;
      p += LineEndLength(p);
      size_t q = p;
      while (q < Text_.size() && (Text_[q] == ' ' || Text_[q] == '\t')) ++q;
      size_t end = q;
      while (end < Text_.size() && IsIdentChar(Text_[end])) ++end;
      const std::string_view first = Text_.substr(q, end - q);
      if (first == word) ++n;
      else if (!toTheEnd && isKeyword(first)) return n;
      p = end;
    }
  }

  // The next token. A string of a stringOnOneLine token must close on the
  // line it opens on (a unit); others may run over lines (comments do).
  TToken Next(bool stringOnOneLine = false) {
    SkipSpace();
    TToken t;
    t.Line = Line_;
    t.Column = Column(Pos_);
    if (Pos_ >= Text_.size()) return t;
    t.FirstOnLine = !LineHasToken_;
    LineHasToken_ = true;
    const size_t start = Pos_;
    const char c = Text_[Pos_];
    if (IsIdentStart(c)) {
      while (Pos_ < Text_.size() && IsIdentChar(Text_[Pos_])) ++Pos_;
      t.Kind = TOKEN_IDENT;
    } else if (IsDigit(c) || ((c == '-' || c == '+' || c == '.') && StartsNumber(Pos_))) {
      ScanNumber();
      t.Kind = TOKEN_NUMBER;
      // A name may begin with digits (5_SEC_DISABLE_TIMER, a message 2017_5):
      // digits run on into letters or '_' make one name.
      if (IsDigit(c) && Pos_ < Text_.size() && IsIdentChar(Text_[Pos_]) &&
          Text_.substr(start, Pos_ - start).find('.') == std::string_view::npos) {
        while (Pos_ < Text_.size() && IsIdentChar(Text_[Pos_])) ++Pos_;
        t.Kind = TOKEN_IDENT;
      }
    } else if (c == '"') {
      return ScanString(t, stringOnOneLine);
    } else if (c == ':' || c == ';' || c == '|' || c == '@' || c == '(' || c == ')' || c == '[' || c == ']' ||
               c == ',' || c == '+' || c == '-') {
      ++Pos_;
      t.Kind = TOKEN_PUNCT;
    } else {
      throw TDbcFailure{{t.Line, t.Column, "unexpected character '" + Quote(Text_.substr(Pos_, 1)) + "'"}};
    }
    t.Text = Text_.substr(start, Pos_ - start);
    return t;
  }

  // True when the text (after a byte-order mark and blanks) begins with word.
  bool StartsWith(std::string_view word) const {
    size_t p = Pos_;
    while (p < Text_.size() && (Text_[p] == ' ' || Text_[p] == '\t')) ++p;
    size_t end = p;
    while (end < Text_.size() && IsIdentChar(Text_[end])) ++end;
    return Text_.substr(p, end - p) == word;
  }

  TToken Peek() {
    const TState s = Save();
    TToken t = Next();
    Restore(s);
    return t;
  }

 private:
  // Line ends are "\n", "\r\n" and a lone "\r" (as old Mac files write them).
  static bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }
  size_t LineEndLength(size_t p) const {
    if (Text_[p] == '\r' && p + 1 < Text_.size() && Text_[p + 1] == '\n') return 2;
    return IsLineEnd(Text_[p]) ? 1 : 0;
  }

  int32_t Column(size_t pos) const {
    const size_t c = pos - LineStart_ + 1;
    return c > size_t(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max() : int32_t(c);
  }

  void NewLine(size_t posAfter) {
    if (Line_ < std::numeric_limits<int32_t>::max()) ++Line_;
    LineStart_ = posAfter;
    LineHasToken_ = false;
  }

  void SkipSpace() {
    while (Pos_ < Text_.size()) {
      const char c = Text_[Pos_];
      if (IsLineEnd(c)) {
        Pos_ += LineEndLength(Pos_);
        NewLine(Pos_);
      } else if (IsSpace(c)) {
        ++Pos_;
      } else if (c == '/' && Pos_ + 1 < Text_.size() && Text_[Pos_ + 1] == '/') {
        // A line comment, written by some tools at the top of the file.
        while (Pos_ < Text_.size() && !IsLineEnd(Text_[Pos_])) ++Pos_;
      } else {
        break;
      }
    }
  }

  bool StartsNumber(size_t p) const {
    if (Text_[p] == '-' || Text_[p] == '+') ++p;
    if (p < Text_.size() && Text_[p] == '.') ++p;
    return p < Text_.size() && IsDigit(Text_[p]);
  }

  void ScanNumber() {
    if (Text_[Pos_] == '-' || Text_[Pos_] == '+') ++Pos_;
    while (Pos_ < Text_.size() && (IsDigit(Text_[Pos_]) || Text_[Pos_] == '.')) ++Pos_;
    if (Pos_ < Text_.size() && (Text_[Pos_] == 'e' || Text_[Pos_] == 'E')) {
      size_t p = Pos_ + 1;
      if (p < Text_.size() && (Text_[p] == '-' || Text_[p] == '+')) ++p;
      if (p < Text_.size() && IsDigit(Text_[p])) {
        Pos_ = p;
        while (Pos_ < Text_.size() && IsDigit(Text_[Pos_])) ++Pos_;
      }
    }
  }

  // "..." with \" and \\ escapes; may run over several lines (comments do)
  // unless oneLine.
  TToken ScanString(TToken t, bool oneLine) {
    const size_t start = ++Pos_;
    const TDbcFailure unclosed{{t.Line, t.Column, "string without its closing '\"'"}};
    // A string that found no closing quote from an earlier start finds none
    // from a later one either (that start's quote was read inside it,
    // escaped): the text after it is not read again for every such string.
    if (start >= UnclosedFrom_) throw unclosed;
    while (Pos_ < Text_.size()) {
      const char c = Text_[Pos_];
      if (c == '"') {
        t.Kind = TOKEN_STRING;
        t.Text = Text_.substr(start, Pos_ - start);
        ++Pos_;
        return t;
      }
      if (c == '\\' && Pos_ + 1 < Text_.size()) ++Pos_;
      if (IsLineEnd(Text_[Pos_])) {
        if (oneLine) throw TDbcFailure{{t.Line, t.Column, "string without its closing '\"' on its line"}};
        Pos_ += LineEndLength(Pos_);
        NewLine(Pos_);
        continue;
      }
      ++Pos_;
    }
    UnclosedFrom_ = std::min(UnclosedFrom_, start);
    throw unclosed;
  }

  std::string_view Text_;
  size_t Pos_ = 0;
  size_t LineStart_ = 0;
  int32_t Line_ = 1;
  bool LineHasToken_ = false;
  size_t UnclosedFrom_ = std::numeric_limits<size_t>::max();
};

std::string Unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '"' || s[i + 1] == '\\')) ++i;
    out += s[i];
  }
  return out;
}

// Statements of the format that carry nothing decoding needs; each ends with ';'.
constexpr std::string_view SkippedKeywords[] = {
    "BA_DEF_",      "BA_",          "BA_DEF_DEF_", "BA_DEF_REL_",    "BA_REL_",      "BA_DEF_DEF_REL_",
    "BA_DEF_SGTYPE_", "BA_SGTYPE_", "VAL_TABLE_",  "EV_",            "ENVVAR_DATA_", "EV_DATA_",
    "SGTYPE_",      "SGTYPE_VAL_",  "SIG_TYPE_REF_", "SIG_GROUP_",   "SIGTYPE_VALTYPE_", "BO_TX_BU_",
    "BU_SG_REL_",   "BU_EV_REL_",   "BU_BO_REL_",  "CAT_DEF_",     "CAT_",
    "FILTER",       "NS_DESC_",
};

// What the reader keeps grows with what the file holds, and a record is
// larger than the shortest text that makes one (a node named in two bytes
// is a record of 64): what it keeps is counted as it grows, and a file that
// would take more than this many times its size (plus a floor for small
// files) is refused where it gets there.
constexpr uint64_t KeptPerFileByte = 10;
constexpr uint64_t KeptFloor = 4u << 20;

// Statements about a node, message or signal (CM_, VAL_, SIG_VALTYPE_,
// SG_MUL_VAL_) may come before what they name; they are applied after the
// whole file is read, in file order, and each that names nothing is listed.
enum TRefKind : uint8_t { REF_NODE_COMMENT, REF_MESSAGE_COMMENT, REF_SIGNAL_COMMENT, REF_VALUES, REF_VALUE_TYPE, REF_SWITCH };

struct TPlace {
  int32_t Line = 0, Column = 0;
};

struct TRef {
  TRefKind Kind = REF_MESSAGE_COMMENT;
  uint32_t Raw = 0;        // the message identifier as written
  uint32_t Payload = 0;    // index into the comments, value tables or ranges; the value type
  TPlace At;               // the statement
  std::string_view Name;   // the node or signal
  TPlace NameAt;
  std::string_view Other;  // the switch signal
  TPlace OtherAt;          // the switch, or the value type
};

// The signals of the messages read so far, by message index and name (a
// view into the text, which outlives the reading).
struct TSignalKey {
  size_t Message;
  std::string_view Name;
  bool operator==(const TSignalKey&) const = default;
};
struct TSignalKeyHash {
  size_t operator()(const TSignalKey& k) const { return std::hash<std::string_view>()(k.Name) ^ (k.Message * 0x9E3779B97F4A7C15ull); }
};

// Heap a string holds beyond its own record (short ones live inside it).
uint64_t HeapOf(const std::string& s) { return s.capacity() > 15 ? s.capacity() + 17 : 0; }

class Reader {
 public:
  explicit Reader(std::string_view text) : Tokens_(text), budget_(KeptFloor + KeptPerFileByte * uint64_t(text.size())) {}

  // Each statement that cannot be read is skipped and listed; reading goes
  // on at the next line that starts a statement.
  TDbcDatabase Read(std::vector<TDbcError>& skipped, std::vector<TDbcError>& notes) {
    skipped_ = &skipped;
    notes_ = &notes;
    // The messages' records are made room for at once where the budget
    // allows (a vector that grows holds its old and new blocks together).
    const auto keyword = [](std::string_view w) { return IsStatementKeyword(w); };
    Reserve(Db_.Messages, (Tokens_.StartsWith("BO_") ? 1 : 0) + Tokens_.CountLinesStartingWith("BO_", true, keyword));
    for (;;) {
      Tokens_.SkipBlank();
      const Tokenizer::TState start = Tokens_.Save();
      statement_ = {};
      try {
        const TToken t = Tokens_.Next();
        if (t.Kind == TOKEN_END) break;
        statementAt_ = {t.Line, t.Column};
        if (t.Kind != TOKEN_IDENT) Fail(t, "expected a keyword, found '" + Quote(t.Text) + "'");
        Statement(t);
      } catch (const TDbcFailure& f) {
        if (f.Final) throw;
        Skip(f.Error);
        // Whatever failed (a misspelt BO_ among them), the signal lines that
        // follow wait for the next message that is read.
        if (statement_ != "SG_") messageFailed_ = true;
        Tokens_.Restore(start);
        if (!Tokens_.SkipToNextStatementLine([this](std::string_view w) { return IsStatementKeyword(w); })) break;
      }
    }
    ApplyReferences();
    CheckMultiplexing();
    // What was found after the reading is listed among the rest, by place.
    const auto byPlace = [](const TDbcError& a, const TDbcError& b) {
      return a.Line != b.Line ? a.Line < b.Line : a.Column < b.Column;
    };
    SortKeepingOrder(skipped, byPlace);
    SortKeepingOrder(notes, byPlace);
    if (moreNotes_ > 0) notes.push_back({0, 0, "and " + std::to_string(moreNotes_) + " more notes like these"});
    return std::move(Db_);
  }

 private:
  [[noreturn]] static void Fail(const TToken& at, std::string what) { throw TDbcFailure{{at.Line, at.Column, std::move(what)}}; }
  [[noreturn]] static void Fail(const TPlace& at, std::string what) { throw TDbcFailure{{at.Line, at.Column, std::move(what)}}; }

  void Skip(TDbcError error) {
    skipped_->push_back(std::move(error));
    // A file this damaged is not a database.
    if (skipped_->size() > MaxSkippedStatements) {
      const auto first = std::min_element(skipped_->begin(), skipped_->end(), [](const TDbcError& a, const TDbcError& b) {
        return a.Line != b.Line ? a.Line < b.Line : a.Column < b.Column;
      });
      throw TDbcFailure{*first, true};
    }
  }

  void Note(const TPlace& at, std::string what) {
    if (notes_->size() < MaxNotes) notes_->push_back({at.Line, at.Column, std::move(what)});
    else ++moreNotes_;
  }

  // Counts what the database keeps; past the budget the file is refused.
  // transient: held only for a moment (the old block of a growing vector).
  void Keep(uint64_t bytes, uint64_t transient = 0) {
    kept_ += bytes;
    if (kept_ + transient > budget_)
      throw TDbcFailure{{statementAt_.Line, statementAt_.Column,
                         "the database would take more than " + std::to_string(KeptPerFileByte) +
                             " times the file's size in memory: the file is refused here"},
                        true};
  }
  // Room for one more element, the growth counted. Large vectors grow by a
  // quarter: while one moves, its old and new blocks are both held.
  template <typename T>
  void Room(std::vector<T>& v) {
    if (v.size() < v.capacity()) return;
    const size_t grow = v.capacity() < 4096 ? std::max<size_t>(v.capacity(), 1) : v.capacity() / 4;
    Keep(uint64_t(grow) * sizeof(T), uint64_t(v.capacity()) * sizeof(T));
    v.reserve(v.capacity() + grow);
  }

  // Room for count elements at once, when the budget holds them.
  template <typename T>
  void Reserve(std::vector<T>& v, size_t count) {
    if (count <= v.capacity()) return;
    const uint64_t bytes = uint64_t(count - v.capacity()) * sizeof(T);
    if (kept_ + bytes + uint64_t(v.capacity()) * sizeof(T) > budget_) return;
    Keep(bytes);
    v.reserve(count);
  }

  static std::string Shown(const TToken& t) {
    if (t.Kind == TOKEN_END) return "the end of the file";
    if (t.Kind == TOKEN_STRING) return "a string";
    return "'" + Quote(t.Text) + "'";
  }
  TToken Expect(TTokenKind kind, const char* what) {
    const TToken t = Tokens_.Next();
    if (t.Kind != kind) Fail(t, std::string("expected ") + what + ", found " + Shown(t));
    return t;
  }
  void ExpectPunct(char c) {
    const TToken t = Tokens_.Next();
    if (t.Kind != TOKEN_PUNCT || t.Text[0] != c) Fail(t, std::string("expected '") + c + "', found " + Shown(t));
  }
  bool PeekPunct(char c) {
    const TToken t = Tokens_.Peek();
    return t.Kind == TOKEN_PUNCT && t.Text[0] == c;
  }

  template <typename T>
  T Unsigned(const char* what, T max = std::numeric_limits<T>::max()) {
    const TToken t = Tokens_.Next();
    uint64_t v = 0;
    const auto [end, ec] = std::from_chars(t.Text.data(), t.Text.data() + t.Text.size(), v);
    if (t.Kind != TOKEN_NUMBER || ec != std::errc() || end != t.Text.data() + t.Text.size())
      Fail(t, std::string("expected ") + what + ", found " + Shown(t));
    if (v > max) Fail(t, std::string(what) + " " + Quote(t.Text) + " is too large");
    return T(v);
  }

  int64_t Integer(const char* what) {
    const TToken t = Tokens_.Next();
    std::string_view s = t.Text;
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (t.Kind != TOKEN_NUMBER || ec != std::errc() || end != s.data() + s.size()) {
      // Raw values above 2^63 (64-bit unsigned signals) keep their bits.
      uint64_t u = 0;
      const auto [uend, uec] = std::from_chars(s.data(), s.data() + s.size(), u);
      if (t.Kind != TOKEN_NUMBER || uec != std::errc() || uend != s.data() + s.size())
        Fail(t, std::string("expected ") + what + ", found " + Shown(t));
      return int64_t(u);
    }
    return v;
  }

  double Real(const char* what) {
    const TToken t = Tokens_.Next();
    std::string_view s = t.Text;
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (t.Kind != TOKEN_NUMBER || ec != std::errc() || end != s.data() + s.size())
      Fail(t, std::string("expected ") + what + ", found " + Shown(t));
    return v;
  }

  static bool IsStatementKeyword(std::string_view w) {
    static constexpr std::string_view Own[] = {"VERSION", "NS_", "BS_", "BU_",          "BO_",
                                               "SG_",     "CM_", "VAL_", "SIG_VALTYPE_", "SG_MUL_VAL_"};
    return std::find(std::begin(Own), std::end(Own), w) != std::end(Own) ||
           std::find(std::begin(SkippedKeywords), std::end(SkippedKeywords), w) != std::end(SkippedKeywords);
  }

  void Statement(const TToken& t) {
    const std::string_view k = t.Text;
    statement_ = k;
    // The signals of a message that could not be read are not given to the
    // message before it.
    if (k == "BO_") messageFailed_ = true;
    if (k == "SG_" && messageFailed_) Fail(t, "signal of a message that could not be read");
    if (k == "VERSION") {
      Db_.Version = Unescape(Expect(TOKEN_STRING, "the version string").Text);
    } else if (k == "NS_") {
      NewSymbols();
    } else if (k == "BS_") {
      BitTiming(t);
    } else if (k == "BU_") {
      Nodes();
    } else if (k == "BO_") {
      Message(t);
      messageFailed_ = false;
    } else if (k == "SG_") {
      Signal(t);
    } else if (k == "CM_") {
      Comment();
    } else if (k == "VAL_") {
      ValueTexts(t);
    } else if (k == "SIG_VALTYPE_") {
      SignalValueType();
    } else if (k == "SG_MUL_VAL_") {
      ExtendedMultiplexing();
    } else if (std::find(std::begin(SkippedKeywords), std::end(SkippedKeywords), k) != std::end(SkippedKeywords)) {
      SkipToSemicolon(t);
    } else {
      Fail(t, "unknown keyword '" + Quote(k) + "'");
    }
  }

  // "NS_ :" followed by one keyword per line.
  void NewSymbols() {
    ExpectPunct(':');
    for (;;) {
      const Tokenizer::TState s = Tokens_.Save();
      const TToken word = Tokens_.Next();
      const TToken after = Tokens_.Peek();
      if (word.Kind != TOKEN_IDENT || after.Line == word.Line) {
        Tokens_.Restore(s);
        return;
      }
    }
  }

  // "BS_:" with an optional "baud rate : BTR1 , BTR2" on the same line.
  void BitTiming(const TToken& t) {
    ExpectPunct(':');
    while (Tokens_.Peek().Kind != TOKEN_END && Tokens_.Peek().Line == t.Line) Tokens_.Next();
  }

  void Nodes() {
    ExpectPunct(':');
    for (;;) {
      const TToken n = Tokens_.Peek();
      if (n.Kind != TOKEN_IDENT || IsKeyword(n.Text)) return;
      Tokens_.Next();
      Room(Db_.Nodes);
      Db_.Nodes.push_back({std::string(n.Text), {}});
      Keep(HeapOf(Db_.Nodes.back().Name));
    }
  }

  static bool IsKeyword(std::string_view w) {
    static constexpr std::string_view Own[] = {"VERSION", "NS_", "BS_", "BU_", "BO_", "SG_", "CM_", "VAL_",
                                                "SIG_VALTYPE_"};
    return std::find(std::begin(Own), std::end(Own), w) != std::end(Own) ||
           std::find(std::begin(SkippedKeywords), std::end(SkippedKeywords), w) != std::end(SkippedKeywords);
  }

  // BO_ <identifier> <name>: <size> <transmitter>
  void Message(const TToken& t) {
    const uint32_t raw = Unsigned<uint32_t>("a message identifier");
    TDbcMessage m;
    m.IDE = (raw & 0x80000000u) ? 1 : 0;
    m.ID = raw & 0x7FFFFFFFu;
    // An identifier only 29 bits hold, written without the extended flag
    // (bit 31), can only be meant as a 29-bit one.
    const bool widened = !m.IDE && m.ID > 0x7FFu && m.ID <= 0x1FFFFFFFu;
    if (widened) m.IDE = 1;
    m.Name = std::string(Expect(TOKEN_IDENT, "a message name").Text);
    ExpectPunct(':');
    m.Size = Unsigned<uint32_t>("a message size", 0xFFFF);
    const TToken tx = Tokens_.Peek();
    if (tx.Kind == TOKEN_IDENT && tx.Line == t.Line && !IsKeyword(tx.Text)) m.Transmitter = std::string(Tokens_.Next().Text);
    m.Line = t.Line;
    const uint64_t key = TDbcDatabase::Key(m.IDE, m.ID);
    const auto seen = Db_.Index.find(key);
    if (seen != Db_.Index.end())
      Fail(t, "message " + Quote(m.Name) + " has the identifier of message " + Db_.Messages[seen->second].Name +
                  " (line " + std::to_string(Db_.Messages[seen->second].Line) + ")");
    Room(Db_.Messages);
    Keep(IndexEntryBytes + HeapOf(m.Name) + HeapOf(m.Transmitter));
    if (widened) {
      char text[120];
      std::snprintf(text, sizeof text, "message identifier %u (0x%X) is above 0x7FF without the extended flag: read as a 29-bit identifier", m.ID, m.ID);
      Note({t.Line, t.Column}, text);
    }
    // No frame carries an identifier above 29 bits: its signals never decode.
    // 0xC0000000 is the holder of unattached signals design tools write, and
    // passes without a word.
    if (m.ID > 0x1FFFFFFFu && raw != 0xC0000000u) {
      char text[120];
      std::snprintf(text, sizeof text, "message identifier %u (0x%X) is above 0x1FFFFFFF: no frame carries it, its signals never decode", raw, raw);
      Note({t.Line, t.Column}, text);
    }
    Db_.Index.emplace(key, Db_.Messages.size());
    Db_.Messages.push_back(std::move(m));
    Reserve(Db_.Messages.back().Signals,
            Tokens_.CountLinesStartingWith("SG_", false, [](std::string_view w) { return IsStatementKeyword(w); }));
  }

  // SG_ <name> [M|m<k>] : <start>|<length>@<order><sign> (<factor>,<offset>) [<min>|<max>] "<unit>" <receivers>
  void Signal(const TToken& t) {
    if (Db_.Messages.empty()) Fail(t, "signal outside a message (SG_ before any BO_)");
    TDbcMessage& m = Db_.Messages.back();
    TDbcSignal s;
    s.Line = t.Line;
    const TToken name = Expect(TOKEN_IDENT, "a signal name");
    s.Name = std::string(name.Text);
    if (Tokens_.Peek().Kind == TOKEN_IDENT) Multiplexing(s);
    ExpectPunct(':');
    s.StartBit = Unsigned<uint32_t>("a start bit", 0x7FFFF);
    ExpectPunct('|');
    const TToken lengthToken = Tokens_.Peek();
    s.Length = Unsigned<uint16_t>("a signal length", 0xFFFF);
    if (s.Length < 1 || s.Length > 64) Fail(lengthToken, "signal length " + std::to_string(s.Length) + " is outside 1..64");
    ExpectPunct('@');
    const TToken order = Tokens_.Next();
    if (order.Kind != TOKEN_NUMBER || (order.Text != "0" && order.Text != "1"))
      Fail(order, "expected the byte order 0 or 1, found " + Shown(order));
    s.ByteOrder = order.Text == "1" ? DBC_LITTLE_ENDIAN : DBC_BIG_ENDIAN;
    const TToken sign = Tokens_.Next();
    if (sign.Kind != TOKEN_PUNCT || (sign.Text != "+" && sign.Text != "-"))
      Fail(sign, "expected the sign '+' or '-', found " + Shown(sign));
    s.Signed = sign.Text == "-";
    ExpectPunct('(');
    s.Factor = Real("a factor");
    ExpectPunct(',');
    s.Offset = Real("an offset");
    ExpectPunct(')');
    ExpectPunct('[');
    s.Minimum = Real("a minimum");
    ExpectPunct('|');
    s.Maximum = Real("a maximum");
    ExpectPunct(']');
    // A unit closes on its line: one left open is the fault of its own line,
    // not of the line where the next quote happens to be.
    const TToken unit = Tokens_.Next(true);
    if (unit.Kind != TOKEN_STRING) Fail(unit, "expected the unit string, found " + Shown(unit));
    s.Unit = Unescape(unit.Text);
    Receivers(s, t.Line);
    // A message whose identifier no frame can carry (as the holder of
    // unattached signals, 0xC0000000, that design tools write) keeps its
    // signals unchecked; they never decode.
    const bool onBus = m.IDE ? m.ID <= 0x1FFFFFFFu : m.ID <= 0x7FFu;
    if (!PlaceSignal(s, m.Size) && onBus)
      Fail(t, "signal " + s.Name + " (start bit " + std::to_string(s.StartBit) + ", length " + std::to_string(s.Length) +
                  ") does not fit in message " + m.Name + " of " + std::to_string(m.Size) + " bytes");
    if (!onBus) s.BytesUsed = 255;
    const TSignalKey key{Db_.Messages.size() - 1, name.Text};
    if (signalIndex_.count(key)) Fail(t, "signal " + s.Name + " appears twice in message " + m.Name);
    if (s.Multiplex == DBC_MULTIPLEXER) {
      if (m.MultiplexerIndex >= 0) Fail(t, "message " + m.Name + " has a second multiplexer signal " + s.Name);
      m.MultiplexerIndex = int32_t(m.Signals.size());
    }
    Room(m.Signals);
    Keep(IndexEntryBytes + HeapOf(s.Name) + HeapOf(s.Unit));
    signalIndex_.emplace(key, uint32_t(m.Signals.size()));
    m.Signals.push_back(std::move(s));
  }

  // "M", "m<k>", or "m<k>M" (a multiplexed signal that multiplexes others in
  // turn; read as multiplexed by k).
  void Multiplexing(TDbcSignal& s) {
    const TToken t = Tokens_.Next();
    std::string_view w = t.Text;
    if (w == "M") {
      s.Multiplex = DBC_MULTIPLEXER;
      return;
    }
    if (w.size() >= 2 && w[0] == 'm') {
      std::string_view digits = w.substr(1);
      if (digits.back() == 'M') digits.remove_suffix(1);
      uint64_t k = 0;
      const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), k);
      if (!digits.empty() && ec == std::errc() && end == digits.data() + digits.size()) {
        s.Multiplex = DBC_MULTIPLEXED;
        s.MultiplexValue = k;
        return;
      }
    }
    Fail(t, "expected ':' or a multiplexer indicator (M, m<value>), found '" + Quote(w) + "'");
  }

  // Receiving nodes on the signal's line, separated by commas (or spaces).
  void Receivers(TDbcSignal& s, int32_t line) {
    for (;;) {
      const TToken r = Tokens_.Peek();
      if (r.Line != line) return;
      if (r.Kind == TOKEN_PUNCT && r.Text == ",") {
        Tokens_.Next();
        continue;
      }
      if (r.Kind != TOKEN_IDENT) Fail(r, "expected a receiving node, found " + Shown(r));
      if (IsKeyword(r.Text)) return;
      Tokens_.Next();
      Room(s.Receivers);
      s.Receivers.emplace_back(r.Text);
      Keep(HeapOf(s.Receivers.back()));
    }
  }

  // The identifier as BO_ writes it: bit 31 the extended flag; one above
  // 0x7FF without the flag is the 29-bit one BO_ read it as.
  TDbcMessage* FindMessage(uint32_t raw) {
    const uint32_t id = raw & 0x7FFFFFFFu;
    const uint8_t ide = (raw & 0x80000000u) || id > 0x7FFu ? 1 : 0;
    const auto it = Db_.Index.find(TDbcDatabase::Key(ide, id));
    return it == Db_.Index.end() ? nullptr : &Db_.Messages[it->second];
  }
  // The index of the message's signal of this name, or -1.
  int32_t FindSignal(const TDbcMessage& m, std::string_view name) const {
    const auto it = signalIndex_.find({size_t(&m - Db_.Messages.data()), name});
    return it == signalIndex_.end() ? -1 : int32_t(it->second);
  }

  TRef& AddRef(TRefKind kind, const TToken& name) {
    Room(refs_);
    TRef r;
    r.Kind = kind;
    r.At = statementAt_;
    r.Name = name.Text;
    r.NameAt = {name.Line, name.Column};
    refs_.push_back(r);
    return refs_.back();
  }
  uint32_t AddComment(const TToken& text) {
    Room(comments_);
    comments_.push_back(Unescape(text.Text));
    Keep(HeapOf(comments_.back()));
    return uint32_t(comments_.size() - 1);
  }

  // CM_ "network"; CM_ BU_ <node> "..."; CM_ BO_ <id> "..."; CM_ SG_ <id> <signal> "...";
  // CM_ EV_ <variable> "..." (environment variables are not read).
  void Comment() {
    const TToken what = Tokens_.Next();
    if (what.Kind == TOKEN_STRING) {
      Db_.Comment = Unescape(what.Text);
      Keep(HeapOf(Db_.Comment));
      ExpectPunct(';');
      return;
    }
    if (what.Kind == TOKEN_IDENT && what.Text == "BU_") {
      const TToken node = Expect(TOKEN_IDENT, "a node name");
      const TToken text = Expect(TOKEN_STRING, "the comment string");
      ExpectPunct(';');
      AddRef(REF_NODE_COMMENT, node).Payload = AddComment(text);
    } else if (what.Kind == TOKEN_IDENT && what.Text == "BO_") {
      const TToken id = Tokens_.Peek();
      const uint32_t raw = Unsigned<uint32_t>("a message identifier");
      const TToken text = Expect(TOKEN_STRING, "the comment string");
      ExpectPunct(';');
      TRef& r = AddRef(REF_MESSAGE_COMMENT, id);
      r.Raw = raw;
      r.Payload = AddComment(text);
    } else if (what.Kind == TOKEN_IDENT && what.Text == "SG_") {
      const uint32_t raw = Unsigned<uint32_t>("a message identifier");
      const TToken name = Expect(TOKEN_IDENT, "a signal name");
      const TToken text = Expect(TOKEN_STRING, "the comment string");
      ExpectPunct(';');
      TRef& r = AddRef(REF_SIGNAL_COMMENT, name);
      r.Raw = raw;
      r.Payload = AddComment(text);
    } else if (what.Kind == TOKEN_IDENT && what.Text == "EV_") {
      Expect(TOKEN_IDENT, "a variable name");
      Expect(TOKEN_STRING, "the comment string");
      ExpectPunct(';');
    } else {
      Fail(what, "expected a comment string or BU_, BO_, SG_, EV_, found " + Shown(what));
    }
  }

  // Sorts a value table by raw value and keeps one text per value, the
  // later one in the file (as other DBC tools read a value given twice);
  // returns how many entries were dropped.
  // The first sorted entries are in order already (collapsed before).
  size_t Collapse(std::vector<TDbcValueText>& texts, size_t /*sorted*/ = 0) {
    SortKeepingOrder(texts, [](const TDbcValueText& a, const TDbcValueText& b) { return a.Value < b.Value; });
    size_t out = 0;
    uint64_t freed = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
      if (i + 1 < texts.size() && texts[i + 1].Value == texts[i].Value) {
        freed += HeapOf(texts[i].Text);
        continue;
      }
      if (out != i) texts[out] = std::move(texts[i]);
      ++out;
    }
    const size_t dropped = texts.size() - out;
    texts.resize(out);
    kept_ -= std::min(kept_, freed);
    return dropped;
  }

  // VAL_ <id> <signal> <value> "<text>" ... ; (VAL_ of an environment variable is skipped)
  void ValueTexts(const TToken& t) {
    const TToken first = Tokens_.Peek();
    if (first.Kind == TOKEN_IDENT) {
      SkipToSemicolon(t);
      return;
    }
    const uint32_t raw = Unsigned<uint32_t>("a message identifier");
    const TToken name = Expect(TOKEN_IDENT, "a signal name");
    std::vector<TDbcValueText> texts;
    size_t dropped = 0, sorted = 0;
    while (!PeekPunct(';')) {
      TDbcValueText v;
      v.Value = Integer("a value or ';'");
      v.Text = Unescape(Expect(TOKEN_STRING, "a value text").Text);
      // A table that repeats its values stays the size of its distinct ones:
      // before it grows, the values given again are dropped.
      if (texts.size() == texts.capacity() && texts.size() >= 64 && texts.size() >= 2 * sorted) {
        dropped += Collapse(texts, sorted);
        sorted = texts.size();
      }
      Room(texts);
      Keep(HeapOf(v.Text));
      texts.push_back(std::move(v));
    }
    Tokens_.Next();
    dropped += Collapse(texts, sorted);
    kept_ -= std::min<uint64_t>(kept_, uint64_t(texts.capacity() - texts.size()) * sizeof(TDbcValueText));
    texts.shrink_to_fit();
    if (dropped > 0)
      Note(statementAt_, "VAL_ of signal " + Quote(name.Text) + " gives " + std::to_string(dropped) +
                             " raw values a second text: the later text of each is kept");
    Room(values_);
    values_.push_back(std::move(texts));
    TRef& r = AddRef(REF_VALUES, name);
    r.Raw = raw;
    r.Payload = uint32_t(values_.size() - 1);
  }

  // SIG_VALTYPE_ <id> <signal> : <1 float | 2 double> ;
  void SignalValueType() {
    const uint32_t raw = Unsigned<uint32_t>("a message identifier");
    const TToken name = Expect(TOKEN_IDENT, "a signal name");
    if (PeekPunct(':')) Tokens_.Next();
    const TToken typeToken = Tokens_.Peek();
    const uint32_t type = Unsigned<uint32_t>("a value type 0, 1 or 2", 2);
    ExpectPunct(';');
    TRef& r = AddRef(REF_VALUE_TYPE, name);
    r.Raw = raw;
    r.Payload = type;
    r.OtherAt = {typeToken.Line, typeToken.Column};
  }

  // SG_MUL_VAL_ <message id> <signal> <switch signal> <low>-<high>[, <low>-<high>...] ;
  void ExtendedMultiplexing() {
    const uint32_t raw = Unsigned<uint32_t>("a message identifier");
    const TToken signalName = Expect(TOKEN_IDENT, "a signal name");
    const TToken switchName = Expect(TOKEN_IDENT, "a multiplexer switch name");
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    for (;;) {
      const TToken lowToken = Tokens_.Peek();
      const uint64_t low = Unsigned<uint64_t>("the low end of a range");
      // "3-5" reads as the numbers 3 and -5.
      const TToken high = Tokens_.Next();
      uint64_t value = 0;
      const std::string_view digits = high.Text.substr(high.Text.empty() ? 0 : 1);
      const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
      if (high.Kind != TOKEN_NUMBER || high.Text.empty() || high.Text[0] != '-' || ec != std::errc() ||
          end != digits.data() + digits.size())
        Fail(high, "expected the high end of a range, as '-5', found " + Shown(high));
      if (value < low)
        Note({lowToken.Line, lowToken.Column}, "range " + std::to_string(low) + "-" + std::to_string(value) +
                                                   " of signal " + Quote(signalName.Text) + " runs backwards: read as " +
                                                   std::to_string(value) + "-" + std::to_string(low));
      Room(ranges);
      ranges.push_back({std::min(low, value), std::max(low, value)});
      if (PeekPunct(',')) {
        ExpectPunct(',');
        continue;
      }
      ExpectPunct(';');
      break;
    }
    // Sorted and merged: a frame finds its range by a binary search.
    std::sort(ranges.begin(), ranges.end());
    size_t out = 0;
    for (size_t i = 0; i < ranges.size(); ++i) {
      if (out > 0 && (ranges[out - 1].second == UINT64_MAX || ranges[i].first <= ranges[out - 1].second + 1)) {
        ranges[out - 1].second = std::max(ranges[out - 1].second, ranges[i].second);
        continue;
      }
      ranges[out++] = ranges[i];
    }
    ranges.resize(out);
    Room(ranges_);
    ranges_.push_back(std::move(ranges));
    TRef& r = AddRef(REF_SWITCH, signalName);
    r.Raw = raw;
    r.Payload = uint32_t(ranges_.size() - 1);
    r.Other = switchName.Text;
    r.OtherAt = {switchName.Line, switchName.Column};
  }

  // A statement of the format that carries nothing decoding needs, up to its
  // ';'. One left open ends where the next statement line begins, so that a
  // file of open statements is not read to its end once for each.
  void SkipToSemicolon(const TToken& start) {
    for (;;) {
      const Tokenizer::TState before = Tokens_.Save();
      const TToken t = Tokens_.Next();
      if (t.Kind == TOKEN_END ||
          (t.FirstOnLine && t.Line != start.Line && t.Kind == TOKEN_IDENT && IsStatementKeyword(t.Text))) {
        Tokens_.Restore(before);
        Fail(start, "statement " + Quote(start.Text) + " without its closing ';'");
      }
      if (t.Kind == TOKEN_PUNCT && t.Text == ";") return;
    }
  }

  // ---- After the whole file: the statements about what it defines ----

  static std::string Id(uint32_t raw) { return std::to_string(raw); }

  // The message a statement names, or nullptr with the statement listed.
  TDbcMessage* MessageOf(const TRef& r, const char* keyword) {
    TDbcMessage* m = FindMessage(r.Raw);
    if (m == nullptr) Skip({r.At.Line, r.At.Column, std::string(keyword) + " of message " + Id(r.Raw) + ", which the file does not define"});
    return m;
  }
  int32_t SignalOf(const TDbcMessage& m, std::string_view name, const TPlace& at) {
    const int32_t i = FindSignal(m, name);
    if (i < 0) Skip({at.Line, at.Column, "message " + m.Name + " has no signal " + Quote(name)});
    return i;
  }

  void ApplyReferences() {
    std::unordered_map<std::string_view, size_t> nodeComments;  // node name -> the last CM_ BU_ of it
    for (size_t k = 0; k < refs_.size(); ++k) {
      const TRef& r = refs_[k];
      if (r.Kind == REF_NODE_COMMENT) {
        nodeComments[r.Name] = k;
        continue;
      }
      if (r.Kind == REF_MESSAGE_COMMENT) {
        if (TDbcMessage* m = MessageOf(r, "CM_ BO_")) m->Comment = std::move(comments_[r.Payload]);
        continue;
      }
      const char* keyword = r.Kind == REF_SIGNAL_COMMENT ? "CM_ SG_"
                            : r.Kind == REF_VALUES       ? "VAL_"
                            : r.Kind == REF_VALUE_TYPE   ? "SIG_VALTYPE_"
                                                         : "SG_MUL_VAL_";
      TDbcMessage* m = MessageOf(r, keyword);
      if (m == nullptr) continue;
      const int32_t i = SignalOf(*m, r.Name, r.NameAt);
      if (i < 0) continue;
      TDbcSignal& s = m->Signals[size_t(i)];
      if (r.Kind == REF_SIGNAL_COMMENT) {
        s.Comment = std::move(comments_[r.Payload]);
      } else if (r.Kind == REF_VALUES) {
        s.ValueTexts = std::move(values_[r.Payload]);
      } else if (r.Kind == REF_VALUE_TYPE) {
        if ((r.Payload == DBC_FLOAT32 && s.Length != 32) || (r.Payload == DBC_FLOAT64 && s.Length != 64)) {
          Skip({r.OtherAt.Line, r.OtherAt.Column,
                "signal " + s.Name + " of " + std::to_string(s.Length) + " bits cannot hold a " +
                    (r.Payload == DBC_FLOAT32 ? "32" : "64") + "-bit floating-point value"});
          continue;
        }
        s.ValueType = TDbcValueType(r.Payload);
      } else {
        const int32_t sw = SignalOf(*m, r.Other, r.OtherAt);
        if (sw < 0) continue;
        if (sw == i) {
          Skip({r.OtherAt.Line, r.OtherAt.Column, "signal " + Quote(r.Name) + " cannot switch itself"});
          continue;
        }
        s.SwitchIndex = sw;
        s.SwitchRanges = std::move(ranges_[r.Payload]);
      }
    }
    if (nodeComments.empty()) return;
    for (TDbcNode& n : Db_.Nodes) {
      const auto it = nodeComments.find(n.Name);
      if (it == nodeComments.end()) continue;
      n.Comment = comments_[refs_[it->second].Payload];
      refs_[it->second].Kind = REF_MESSAGE_COMMENT;  // used
    }
    for (const auto& [name, k] : nodeComments)
      if (refs_[k].Kind == REF_NODE_COMMENT)
        Skip({refs_[k].At.Line, refs_[k].At.Column, "CM_ BU_ of node " + Quote(name) + ", which the file does not define"});
  }

  // Signals that can never be selected are named: a multiplexed one in a
  // message without a multiplexer, and one whose switches (SG_MUL_VAL_) run
  // in a loop or deeper than the codec follows them.
  void CheckMultiplexing() {
    std::vector<int32_t> hops;  // switch steps to a signal without a switch; Unknown, Open, Loop
    constexpr int32_t Unknown = -1, Open = -2, Loop = -3;
    std::vector<size_t> path;
    for (const TDbcMessage& m : Db_.Messages) {
      hops.assign(m.Signals.size(), Unknown);
      for (size_t i = 0; i < m.Signals.size(); ++i) {
        const TDbcSignal& s = m.Signals[i];
        if (s.SwitchIndex < 0 && s.Multiplex == DBC_MULTIPLEXED && m.MultiplexerIndex < 0)
          Note({s.Line, 1}, "signal " + s.Name + " is multiplexed (m" + std::to_string(s.MultiplexValue) + ") but message " +
                                m.Name + " has no multiplexer signal (M): it never decodes");
        path.clear();
        int32_t j = int32_t(i);
        while (j >= 0 && hops[size_t(j)] == Unknown) {
          hops[size_t(j)] = Open;
          path.push_back(size_t(j));
          j = m.Signals[size_t(j)].SwitchIndex;
        }
        int32_t next = j < 0 ? -1 : (hops[size_t(j)] == Open ? Loop : hops[size_t(j)]);
        for (size_t k = path.size(); k-- > 0;) {
          if (next != Loop) ++next;
          hops[path[k]] = next;
        }
        if (hops[i] == Loop)
          Note({s.Line, 1}, "signal " + s.Name + " of message " + m.Name +
                                " follows switch signals (SG_MUL_VAL_) that loop back: it never decodes");
        else if (hops[i] > MaxSwitchDepth)
          Note({s.Line, 1}, "signal " + s.Name + " of message " + m.Name + " follows more than " +
                                std::to_string(MaxSwitchDepth) + " switch signals (SG_MUL_VAL_): it never decodes");
      }
    }
  }

  static constexpr size_t MaxSkippedStatements = 1000;
  static constexpr size_t MaxNotes = 1000;
  static constexpr uint64_t IndexEntryBytes = 64;  // an entry of a hash index

  Tokenizer Tokens_;
  TDbcDatabase Db_;
  bool messageFailed_ = false;
  std::string_view statement_;  // the keyword of the statement being read
  TPlace statementAt_;
  std::vector<TDbcError>* skipped_ = nullptr;
  std::vector<TDbcError>* notes_ = nullptr;
  size_t moreNotes_ = 0;
  uint64_t budget_;
  uint64_t kept_ = 0;
  std::unordered_map<TSignalKey, uint32_t, TSignalKeyHash> signalIndex_;
  std::vector<TRef> refs_;
  std::vector<std::string> comments_;
  std::vector<std::vector<TDbcValueText>> values_;
  std::vector<std::vector<std::pair<uint64_t, uint64_t>>> ranges_;
};

}  // namespace

TDbcReadResult ReadDbc(std::string_view text) {
  TDbcReadResult result;
  try {
    result.Database = Reader(text).Read(result.Skipped, result.Notes);
    // A file with faults is read for what is sound in it; one that holds no
    // message at all is refused with its first fault, or with that reason.
    if (result.Database.Messages.empty()) {
      if (!result.Skipped.empty()) {
        result.Error = result.Skipped.front();
      } else {
        std::string_view rest = text.substr(text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0);
        while (!rest.empty() && IsSpace(rest.front())) rest.remove_prefix(1);
        result.Error = {1, 1, rest.empty() ? "the file is empty" : "the file defines no message (BO_)"};
      }
      result.Database = TDbcDatabase{};
      return result;
    }
    result.Ok = true;
  } catch (const TDbcFailure& f) {
    result.Error = f.Error;
  } catch (const std::bad_alloc&) {
    result.Error = {0, 0, "not enough memory to read the database"};
  }
  return result;
}

TDbcReadResult ReadDbcFile(const std::string& path) {
  TDbcReadResult result;
  // A FIFO or a device named as the database would block start-up.
  if (ExistsButIsNotARegularFile(path)) {
    result.Error = {0, 0, "the file is not a regular file"};
    return result;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    result.Error = {0, 0, "the file cannot be opened"};
    return result;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) {
    result.Error = {0, 0, "the file cannot be read"};
    return result;
  }
  if (uint64_t(size) > DbcFileSizeLimit) {
    result.Error = {0, 0, "the file is larger than " + std::to_string(DbcFileSizeLimit >> 20) + " MB"};
    return result;
  }
  std::string text(size_t(size), '\0');
  in.seekg(0, std::ios::beg);
  if (!in.read(text.data(), size)) {
    result.Error = {0, 0, "the file cannot be read"};
    return result;
  }
  return ReadDbc(text);
}

std::string DbcErrorText(const TDbcError& error) {
  if (error.Line <= 0) return error.What;
  return "line " + std::to_string(error.Line) + ", column " + std::to_string(error.Column) + ": " + error.What;
}

}  // namespace tarvo
