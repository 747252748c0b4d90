#include "journal.h"

#include "text_util.h"

namespace gameclient {

Journal::~Journal() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool Journal::Open(const std::wstring& path) {
  // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the end.
  file_ = CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  return file_ != INVALID_HANDLE_VALUE;
}

void Journal::Write(std::wstring_view line) {
  if (file_ == INVALID_HANDLE_VALUE) return;
  std::string bytes = WideToUtf8(line);
  bytes += '\n';
  DWORD written = 0;
  // One WriteFile per line, unbuffered by this process.
  WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace gameclient
