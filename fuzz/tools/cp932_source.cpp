// cp932_source IN OUT: writes a copy of the C++ source IN in which every
// non-ASCII character of an ordinary narrow string literal is spelled as the
// octal escapes of its code page 932 bytes ("卓" becomes "\221\354"). The
// copy, compiled with a UTF-8 execution character set, holds the same bytes
// in its literals as IN compiled with -fexec-charset=CP932; that is what lets
// clang (which knows no other execution character set) build the core.
//
// Octal escapes, not the raw bytes: a trail byte 0x5C is a backslash to the
// lexer and would escape the character after it, and a hexadecimal escape
// would swallow a following hexadecimal digit; an octal escape ends after
// three digits. Comments are copied as they are (clang reads UTF-8 there).
// Anything the conversion cannot carry over exactly is an error rather than
// a guess: a non-ASCII character outside literals and comments, in a
// character literal, in a raw or prefixed (L, u, U, u8) string literal, or
// one that code page 932 lacks. The conversion is glibc's iconv "CP932", the
// one GCC's -fexec-charset=CP932 uses.
#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

[[noreturn]] void Fail(const std::string& file, int line, const std::string& what) {
  std::cerr << file << ":" << line << ": cp932_source: " << what << "\n";
  std::exit(1);
}

bool IdentChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

class Converter {
 public:
  Converter(std::string name, std::string in) : name_(std::move(name)), in_(std::move(in)) {
    cd_ = iconv_open("CP932", "UTF-8");
    if (cd_ == reinterpret_cast<iconv_t>(-1)) Fail(name_, 0, "iconv has no CP932");
  }
  ~Converter() { iconv_close(cd_); }

  std::string Run() {
    if (in_.compare(0, 3, "\xEF\xBB\xBF") == 0) i_ = 3;  // a byte-order mark
    while (i_ < in_.size()) {
      const char c = in_[i_];
      if (c == '/' && Next() == '/') {
        LineComment();
      } else if (c == '/' && Next() == '*') {
        BlockComment();
      } else if (c == '"') {
        String(prefix_);
      } else if (c == '\'') {
        CharLiteral();
      } else if (c >= '0' && c <= '9') {
        Number();
      } else if (IdentChar(c)) {
        Identifier();
        continue;  // keeps the identifier as a possible literal prefix
      } else if (static_cast<unsigned char>(c) >= 0x80) {
        Fail(name_, line_, "a non-ASCII character outside literals and comments");
      } else {
        Put(c);
      }
      prefix_.clear();
    }
    return out_;
  }

 private:
  char Next() const { return i_ + 1 < in_.size() ? in_[i_ + 1] : '\0'; }
  void Put(char c) {
    if (c == '\n') ++line_;
    out_ += c;
    ++i_;
  }

  void LineComment() {
    // A backslash before the line end continues the comment, in both builds.
    while (i_ < in_.size() && in_[i_] != '\n') {
      if (in_[i_] == '\\' && Next() == '\n') Put(in_[i_]);
      Put(in_[i_]);
    }
  }

  void BlockComment() {
    Put(in_[i_]);
    Put(in_[i_]);
    while (i_ < in_.size() && !(in_[i_] == '*' && Next() == '/')) Put(in_[i_]);
    if (i_ >= in_.size()) Fail(name_, line_, "an unterminated comment");
    Put(in_[i_]);
    Put(in_[i_]);
  }

  void Identifier() {
    prefix_.clear();
    while (i_ < in_.size() && IdentChar(in_[i_])) {
      prefix_ += in_[i_];
      Put(in_[i_]);
    }
  }

  // A pp-number, so that a digit separator (1'000) is not a character literal.
  void Number() {
    while (i_ < in_.size()) {
      const char c = in_[i_];
      const char prev = out_.empty() ? '\0' : out_.back();
      if (IdentChar(c) || c == '.' || (c == '\'' && IdentChar(Next())) ||
          ((c == '+' || c == '-') && (prev == 'e' || prev == 'E' || prev == 'p' || prev == 'P'))) {
        Put(c);
      } else {
        break;
      }
    }
  }

  void CharLiteral() {
    Put(in_[i_]);
    while (i_ < in_.size() && in_[i_] != '\'') {
      if (in_[i_] == '\n') Fail(name_, line_, "a line end in a character literal");
      if (static_cast<unsigned char>(in_[i_]) >= 0x80) Fail(name_, line_, "a non-ASCII character literal");
      if (in_[i_] == '\\') Put(in_[i_]);
      if (i_ < in_.size()) Put(in_[i_]);
    }
    if (i_ >= in_.size()) Fail(name_, line_, "an unterminated character literal");
    Put(in_[i_]);
  }

  void String(const std::string& prefix) {
    if (!prefix.empty() && prefix.back() == 'R') return RawString();
    const bool narrow = !IsEncodingPrefix(prefix);
    Put(in_[i_]);
    while (i_ < in_.size() && in_[i_] != '"') {
      const auto c = static_cast<unsigned char>(in_[i_]);
      if (c == '\n') Fail(name_, line_, "a line end in a string literal");
      if (c == '\\') {
        Put(in_[i_]);
        if (i_ < in_.size() && static_cast<unsigned char>(in_[i_]) >= 0x80) {
          Fail(name_, line_, "a backslash before a non-ASCII character");
        }
        if (i_ < in_.size()) Put(in_[i_]);
      } else if (c >= 0x80) {
        if (!narrow) Fail(name_, line_, "a non-ASCII character in a prefixed string literal");
        Escape();
      } else {
        Put(in_[i_]);
      }
    }
    if (i_ >= in_.size()) Fail(name_, line_, "an unterminated string literal");
    Put(in_[i_]);
  }

  static bool IsEncodingPrefix(const std::string& p) { return p == "L" || p == "u" || p == "U" || p == "u8"; }

  void RawString() {
    // R"delimiter( ... )delimiter": copied as it is, ASCII only.
    const size_t open = in_.find('(', i_);
    if (open == std::string::npos) Fail(name_, line_, "a raw string literal without '('");
    const std::string close = ")" + in_.substr(i_ + 1, open - i_ - 1) + "\"";
    const size_t end = in_.find(close, open);
    if (end == std::string::npos) Fail(name_, line_, "an unterminated raw string literal");
    while (i_ < end + close.size()) {
      if (static_cast<unsigned char>(in_[i_]) >= 0x80) Fail(name_, line_, "a non-ASCII character in a raw string");
      Put(in_[i_]);
    }
  }

  // One UTF-8 character of a narrow literal, as octal escapes of its CP932 bytes.
  void Escape() {
    const size_t n = Utf8Length(static_cast<unsigned char>(in_[i_]));
    if (n == 0 || i_ + n > in_.size()) Fail(name_, line_, "invalid UTF-8");
    std::string ch = in_.substr(i_, n);
    char bytes[8];
    char* src = ch.data();
    char* dst = bytes;
    size_t srcLeft = n, dstLeft = sizeof bytes;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0) {
      Fail(name_, line_, "\"" + ch + "\" is not in code page 932 (or is not UTF-8)");
    }
    for (const char* b = bytes; b != dst; ++b) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\%03o", static_cast<unsigned char>(*b));
      out_ += esc;
    }
    i_ += n;
  }

  std::string name_, in_, out_, prefix_;
  size_t i_ = 0;
  int line_ = 1;
  iconv_t cd_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: cp932_source IN OUT\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) Fail(argv[1], 0, "cannot read");
  std::stringstream text;
  text << in.rdbuf();
  const std::string out = Converter(argv[1], text.str()).Run();
  std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
  file << out;
  file.close();
  if (!file) Fail(argv[2], 0, "cannot write");
  return 0;
}
