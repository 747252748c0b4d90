// The line files (userlist.txt, msglist.txt) on arbitrary bytes.
//
//  1. SplitLines against a reference reader: lines cut at CR LF, lone CR
//     and lone LF, a last line without a line end kept, no entry for a final
//     line end, empty lines kept, everything from a NUL on ignored.
//  2. What was read, written with JoinLines and read again, is unchanged,
//     and the written bytes are the read part of the input with every line
//     end made CR LF and one added after a last unended line.
//  3. Entries that hold NUL bytes (the input cut at line ends only) come
//     back from writing and reading up to the first NUL: the entries before
//     it and the bytes before it in its entry, if any.
//  4. Through the form: both files are read at start, written by the Exit
//     command and read by a second start, which finds the same watch list
//     (the read lines, sorted, equal ones in file order) and the same message
//     history (the read lines as they stand).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/form2.h"
#include "base/line_file.h"
#include "fakes.h"
#include "fuzz_check.h"

namespace horone::testing {
namespace {

using horone::fuzz::Escaped;
using Lines = std::vector<std::string>;

std::string Show(const Lines& lines) {
  std::string out = std::to_string(lines.size()) + " entries:";
  for (size_t i = 0; i < lines.size() && i < 8; ++i) out += " [" + Escaped(lines[i], 40) + "]";
  return out;
}

// Cuts at line ends only; NUL bytes stay in the entries.
Lines ReferenceSplit(std::string_view bytes) {
  Lines lines;
  std::string line;
  bool open = false;  // bytes since the last line end
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' || bytes[i] == '\r') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += bytes[i];
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

std::string_view BeforeNul(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

std::string Normalised(std::string_view bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      out += "\r\n";
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      out += bytes[i];
    }
  }
  if (!bytes.empty() && bytes.back() != '\r' && bytes.back() != '\n') out += "\r\n";
  return out;
}

void Run(const std::uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // 1 and 2.
  const Lines read = SplitLines(bytes);
  const Lines want = ReferenceSplit(BeforeNul(bytes));
  CHECK(read == want, "read " + Show(read) + ", expected " + Show(want));
  for (const auto& line : read) {
    CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos, "an entry holds CR, LF or NUL");
  }
  const std::string written = JoinLines(read);
  CHECK(written == Normalised(BeforeNul(bytes)), "written " + Escaped(written));
  CHECK(SplitLines(written) == read, "read again " + Show(SplitLines(written)));

  // 3.
  const Lines withNul = ReferenceSplit(bytes);
  Lines survive;
  for (const auto& entry : withNul) {
    const auto nul = entry.find('\0');
    if (nul == std::string::npos) {
      survive.push_back(entry);
      continue;
    }
    if (nul > 0) survive.push_back(entry.substr(0, nul));
    break;
  }
  const Lines back = SplitLines(JoinLines(withNul));
  CHECK(back == survive, "entries with NUL came back as " + Show(back) + ", expected " + Show(survive));

  // 4.
  Harness first;
  first.files.files[first.UserList()] = std::string(bytes);
  first.files.files[first.MsgList()] = std::string(bytes);
  TForm2& f = first.Start();
  Lines sorted = read;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [&](const std::string& a, const std::string& b) { return first.locale.CompareText(a, b) < 0; });
  CHECK(f.ListBox1.Items() == sorted, "watch list " + Show(f.ListBox1.Items()));
  CHECK(f.MessageHistory && *f.MessageHistory == read, "message history");
  CHECK(f.ComboBox1.Items() == read, "the input box's list");
  f.Exit1Click();
  CHECK(first.files.files[first.UserList()] == JoinLines(sorted), "userlist.txt as written");
  CHECK(first.files.files[first.MsgList()] == written, "msglist.txt as written");

  Harness second;
  second.files.files = first.files.files;
  TForm2& g = second.Start();
  CHECK(g.ListBox1.Items() == sorted, "watch list after the second start " + Show(g.ListBox1.Items()));
  CHECK(g.MessageHistory && *g.MessageHistory == read, "message history after the second start");
}

}  // namespace
}  // namespace horone::testing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  horone::testing::Run(data, size);
  return 0;
}
