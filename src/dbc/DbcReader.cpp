#include "dbc/DbcReader.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <limits>

#include "common/ReplacingFile.h"
#include "dbc/SignalCodec.h"

namespace tarvo {

namespace {

enum TTokenKind : uint8_t { TOKEN_END, TOKEN_IDENT, TOKEN_NUMBER, TOKEN_STRING, TOKEN_PUNCT };

struct TToken {
  TTokenKind Kind = TOKEN_END;
  std::string_view Text;  // a string's text without its quotes (escapes still in)
  int32_t Line = 0;
  int32_t Column = 0;
};

// Thrown inside the reader only; ReadDbc turns it into the result.
struct TDbcFailure {
  TDbcError Error;
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
  };
  TState Save() const { return {Pos_, LineStart_, Line_}; }
  void Restore(const TState& s) {
    Pos_ = s.Pos;
    LineStart_ = s.LineStart;
    Line_ = s.Line;
  }

  // Moves over spaces, line ends and comments to the next token.
  void SkipBlank() { SkipSpace(); }

  // After a statement that could not be read: moves to the next line whose
  // first word is a statement keyword; false at the end of the text.
  template <typename IsKeyword>
  bool SkipToNextStatementLine(IsKeyword isKeyword) {
    for (;;) {
      while (Pos_ < Text_.size() && Text_[Pos_] != '\n') ++Pos_;
      if (Pos_ >= Text_.size()) return false;
      NewLine(++Pos_);
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

  TToken Next() {
    SkipSpace();
    TToken t;
    t.Line = Line_;
    t.Column = Column(Pos_);
    if (Pos_ >= Text_.size()) return t;
    const size_t start = Pos_;
    const char c = Text_[Pos_];
    if (IsIdentStart(c)) {
      while (Pos_ < Text_.size() && IsIdentChar(Text_[Pos_])) ++Pos_;
      t.Kind = TOKEN_IDENT;
    } else if (IsDigit(c) || ((c == '-' || c == '+' || c == '.') && StartsNumber(Pos_))) {
      ScanNumber();
      t.Kind = TOKEN_NUMBER;
    } else if (c == '"') {
      return ScanString(t);
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

  TToken Peek() {
    const TState s = Save();
    TToken t = Next();
    Restore(s);
    return t;
  }

 private:
  int32_t Column(size_t pos) const {
    const size_t c = pos - LineStart_ + 1;
    return c > size_t(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max() : int32_t(c);
  }

  void NewLine(size_t posAfter) {
    if (Line_ < std::numeric_limits<int32_t>::max()) ++Line_;
    LineStart_ = posAfter;
  }

  void SkipSpace() {
    while (Pos_ < Text_.size()) {
      const char c = Text_[Pos_];
      if (c == '\n') {
        NewLine(++Pos_);
      } else if (IsSpace(c)) {
        ++Pos_;
      } else if (c == '/' && Pos_ + 1 < Text_.size() && Text_[Pos_ + 1] == '/') {
        // A line comment, written by some tools at the top of the file.
        while (Pos_ < Text_.size() && Text_[Pos_] != '\n') ++Pos_;
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

  // "..." with \" and \\ escapes; may run over several lines (comments do).
  TToken ScanString(TToken t) {
    const size_t start = ++Pos_;
    while (Pos_ < Text_.size()) {
      const char c = Text_[Pos_];
      if (c == '"') {
        t.Kind = TOKEN_STRING;
        t.Text = Text_.substr(start, Pos_ - start);
        ++Pos_;
        return t;
      }
      if (c == '\\' && Pos_ + 1 < Text_.size()) ++Pos_;
      if (Text_[Pos_] == '\n') NewLine(Pos_ + 1);
      ++Pos_;
    }
    throw TDbcFailure{{t.Line, t.Column, "string without its closing '\"'"}};
  }

  std::string_view Text_;
  size_t Pos_ = 0;
  size_t LineStart_ = 0;
  int32_t Line_ = 1;
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

class Reader {
 public:
  explicit Reader(std::string_view text) : Tokens_(text) {}

  // Each statement that cannot be read is skipped and listed; reading goes
  // on at the next line that starts a statement.
  TDbcDatabase Read(std::vector<TDbcError>& skipped, std::vector<TDbcError>& notes) {
    notes_ = &notes;
    for (;;) {
      Tokens_.SkipBlank();
      const Tokenizer::TState start = Tokens_.Save();
      statement_ = {};
      try {
        const TToken t = Tokens_.Next();
        if (t.Kind == TOKEN_END) break;
        if (t.Kind != TOKEN_IDENT) Fail(t, "expected a keyword, found '" + Quote(t.Text) + "'");
        Statement(t);
      } catch (const TDbcFailure& f) {
        skipped.push_back(f.Error);
        // Whatever failed (a misspelt BO_ among them), the signal lines that
        // follow wait for the next message that is read.
        if (statement_ != "SG_") messageFailed_ = true;
        // A file this damaged is not a database.
        if (skipped.size() > MaxSkippedStatements) throw TDbcFailure{skipped.front()};
        Tokens_.Restore(start);
        if (!Tokens_.SkipToNextStatementLine([this](std::string_view w) { return IsStatementKeyword(w); })) break;
      }
    }
    return std::move(Db_);
  }

 private:
  [[noreturn]] static void Fail(const TToken& at, std::string what) { throw TDbcFailure{{at.Line, at.Column, std::move(what)}}; }

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
      ValueTexts();
    } else if (k == "SIG_VALTYPE_") {
      SignalValueType();
    } else if (k == "SG_MUL_VAL_") {
      ExtendedMultiplexing(t);
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
      Db_.Nodes.push_back({std::string(n.Text), {}});
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
    if (!m.IDE && m.ID > 0x7FFu && m.ID <= 0x1FFFFFFFu) {
      m.IDE = 1;
      char text[120];
      std::snprintf(text, sizeof text, "message identifier %u (0x%X) is above 0x7FF without the extended flag: read as a 29-bit identifier", m.ID, m.ID);
      notes_->push_back({t.Line, t.Column, text});
    }
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
    Db_.Index.emplace(key, Db_.Messages.size());
    Db_.Messages.push_back(std::move(m));
  }

  // SG_ <name> [M|m<k>] : <start>|<length>@<order><sign> (<factor>,<offset>) [<min>|<max>] "<unit>" <receivers>
  void Signal(const TToken& t) {
    if (Db_.Messages.empty()) Fail(t, "signal outside a message (SG_ before any BO_)");
    TDbcMessage& m = Db_.Messages.back();
    TDbcSignal s;
    s.Line = t.Line;
    s.Name = std::string(Expect(TOKEN_IDENT, "a signal name").Text);
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
    s.Unit = Unescape(Expect(TOKEN_STRING, "the unit string").Text);
    Receivers(s, t.Line);
    // A message whose identifier no frame can carry (as the holder of
    // unattached signals, 0xC0000000, that design tools write) keeps its
    // signals unchecked; they never decode.
    const bool onBus = m.IDE ? m.ID <= 0x1FFFFFFFu : m.ID <= 0x7FFu;
    if (!PlaceSignal(s, m.Size) && onBus)
      Fail(t, "signal " + s.Name + " (start bit " + std::to_string(s.StartBit) + ", length " + std::to_string(s.Length) +
                  ") does not fit in message " + m.Name + " of " + std::to_string(m.Size) + " bytes");
    if (!onBus) s.BytesUsed = 255;
    for (const TDbcSignal& other : m.Signals)
      if (other.Name == s.Name) Fail(t, "signal " + s.Name + " appears twice in message " + m.Name);
    if (s.Multiplex == DBC_MULTIPLEXER) {
      if (m.MultiplexerIndex >= 0) Fail(t, "message " + m.Name + " has a second multiplexer signal " + s.Name);
      m.MultiplexerIndex = int32_t(m.Signals.size());
    }
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
      s.Receivers.emplace_back(r.Text);
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
  static TDbcSignal* FindSignal(TDbcMessage* m, std::string_view name) {
    if (m == nullptr) return nullptr;
    for (TDbcSignal& s : m->Signals)
      if (s.Name == name) return &s;
    return nullptr;
  }

  // CM_ "network"; CM_ BU_ <node> "..."; CM_ BO_ <id> "..."; CM_ SG_ <id> <signal> "...";
  // CM_ EV_ <variable> "...". Comments on things the file does not define are dropped.
  void Comment() {
    const TToken what = Tokens_.Next();
    std::string* target = nullptr;
    if (what.Kind == TOKEN_STRING) {
      Db_.Comment = Unescape(what.Text);
      ExpectPunct(';');
      return;
    }
    if (what.Kind == TOKEN_IDENT && what.Text == "BU_") {
      const TToken node = Expect(TOKEN_IDENT, "a node name");
      for (TDbcNode& n : Db_.Nodes)
        if (n.Name == node.Text) target = &n.Comment;
    } else if (what.Kind == TOKEN_IDENT && what.Text == "BO_") {
      TDbcMessage* m = FindMessage(Unsigned<uint32_t>("a message identifier"));
      if (m != nullptr) target = &m->Comment;
    } else if (what.Kind == TOKEN_IDENT && what.Text == "SG_") {
      TDbcMessage* m = FindMessage(Unsigned<uint32_t>("a message identifier"));
      TDbcSignal* s = FindSignal(m, Expect(TOKEN_IDENT, "a signal name").Text);
      if (s != nullptr) target = &s->Comment;
    } else if (what.Kind == TOKEN_IDENT && what.Text == "EV_") {
      Expect(TOKEN_IDENT, "a variable name");
    } else {
      Fail(what, "expected a comment string or BU_, BO_, SG_, EV_, found " + Shown(what));
    }
    const TToken text = Expect(TOKEN_STRING, "the comment string");
    if (target != nullptr) *target = Unescape(text.Text);
    ExpectPunct(';');
  }

  // VAL_ <id> <signal> <value> "<text>" ... ; (VAL_ of an environment variable is skipped)
  void ValueTexts() {
    const TToken first = Tokens_.Peek();
    if (first.Kind == TOKEN_IDENT) {
      SkipToSemicolon(first);
      return;
    }
    TDbcMessage* m = FindMessage(Unsigned<uint32_t>("a message identifier"));
    TDbcSignal* s = FindSignal(m, Expect(TOKEN_IDENT, "a signal name").Text);
    std::vector<TDbcValueText> texts;
    while (!PeekPunct(';')) {
      TDbcValueText v;
      v.Value = Integer("a value or ';'");
      v.Text = Unescape(Expect(TOKEN_STRING, "a value text").Text);
      texts.push_back(std::move(v));
    }
    Tokens_.Next();
    if (s != nullptr) s->ValueTexts = std::move(texts);
  }

  // SIG_VALTYPE_ <id> <signal> : <1 float | 2 double> ;
  void SignalValueType() {
    TDbcMessage* m = FindMessage(Unsigned<uint32_t>("a message identifier"));
    TDbcSignal* s = FindSignal(m, Expect(TOKEN_IDENT, "a signal name").Text);
    if (PeekPunct(':')) Tokens_.Next();
    const TToken typeToken = Tokens_.Peek();
    const uint32_t type = Unsigned<uint32_t>("a value type 0, 1 or 2", 2);
    ExpectPunct(';');
    if (s == nullptr) return;
    if ((type == DBC_FLOAT32 && s->Length != 32) || (type == DBC_FLOAT64 && s->Length != 64))
      Fail(typeToken, "signal " + s->Name + " of " + std::to_string(s->Length) + " bits cannot hold a " +
                          (type == DBC_FLOAT32 ? "32" : "64") + "-bit floating-point value");
    s->ValueType = TDbcValueType(type);
  }

  // SG_MUL_VAL_ <message id> <signal> <switch signal> <low>-<high>[, <low>-<high>...] ;
  void ExtendedMultiplexing(const TToken& t) {
    const uint32_t raw = Unsigned<uint32_t>("a message identifier");
    const TToken signalName = Expect(TOKEN_IDENT, "a signal name");
    const TToken switchName = Expect(TOKEN_IDENT, "a multiplexer switch name");
    TDbcMessage* m = FindMessage(raw);
    if (!m) Fail(t, "SG_MUL_VAL_ of message " + std::to_string(raw) + ", which the file does not define");
    const auto index = [&](const TToken& name) {
      for (size_t i = 0; i < m->Signals.size(); ++i)
        if (m->Signals[i].Name == name.Text) return int32_t(i);
      Fail(name, "message " + m->Name + " has no signal " + Quote(name.Text));
    };
    const int32_t signal = index(signalName), switchIndex = index(switchName);
    if (signal == switchIndex) Fail(switchName, "signal " + Quote(signalName.Text) + " cannot switch itself");
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    for (;;) {
      const uint64_t low = Unsigned<uint64_t>("the low end of a range");
      // "3-5" reads as the numbers 3 and -5.
      const TToken high = Tokens_.Next();
      uint64_t value = 0;
      const std::string_view digits = high.Text.substr(high.Text.empty() ? 0 : 1);
      const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
      if (high.Kind != TOKEN_NUMBER || high.Text.empty() || high.Text[0] != '-' || ec != std::errc() ||
          end != digits.data() + digits.size())
        Fail(high, "expected the high end of a range, as '-5', found " + Shown(high));
      ranges.push_back({low, value});
      if (PeekPunct(',')) {
        ExpectPunct(',');
        continue;
      }
      ExpectPunct(';');
      break;
    }
    TDbcSignal& s = m->Signals[size_t(signal)];
    s.SwitchIndex = switchIndex;
    s.SwitchRanges = std::move(ranges);
  }

  void SkipToSemicolon(const TToken& start) {
    for (;;) {
      const TToken t = Tokens_.Next();
      if (t.Kind == TOKEN_END) Fail(start, "statement " + Quote(start.Text) + " without its closing ';'");
      if (t.Kind == TOKEN_PUNCT && t.Text == ";") return;
    }
  }

  static constexpr size_t MaxSkippedStatements = 1000;

  Tokenizer Tokens_;
  TDbcDatabase Db_;
  bool messageFailed_ = false;
  std::string_view statement_;  // the keyword of the statement being read
  std::vector<TDbcError>* notes_ = nullptr;
};

}  // namespace

TDbcReadResult ReadDbc(std::string_view text) {
  TDbcReadResult result;
  try {
    result.Database = Reader(text).Read(result.Skipped, result.Notes);
    // A file with faults is read for what is sound in it; one that holds no
    // message at all is refused with its first fault.
    if (result.Database.Messages.empty() && !result.Skipped.empty()) {
      result.Error = result.Skipped.front();
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
