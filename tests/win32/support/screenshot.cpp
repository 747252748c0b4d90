// Screenshots (ImageMagick's import run natively from inside Wine, or GDI),
// a small PNG writer, and the Wine-to-Linux helpers they need.
#include "win32_test_support.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace wintest {

// --- Wine and Linux -------------------------------------------------------------------------

namespace {

using UnixNameFn = char*(CDECL*)(LPCWSTR);
using DosNameFn = WCHAR*(CDECL*)(LPCSTR);

template <class F>
F kernel32Export(const char* name) {
  HMODULE k32 = GetModuleHandleW(L"kernel32.dll");
  return k32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(k32, name))) : nullptr;
}

}  // namespace

bool runningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::optional<std::string> unixPath(const std::wstring& windowsPath) {
  auto fn = kernel32Export<UnixNameFn>("wine_get_unix_file_name");
  if (!fn) return std::nullopt;
  wchar_t fullBuffer[32768];
  DWORD n = GetFullPathNameW(windowsPath.c_str(), 32768, fullBuffer, nullptr);
  if (n == 0 || n >= 32768) return std::nullopt;
  std::wstring full(fullBuffer, n);
  char* p = fn(full.c_str());
  if (!p) return std::nullopt;
  std::string out(p);
  HeapFree(GetProcessHeap(), 0, p);
  return out;
}

std::optional<std::wstring> dosPath(std::string_view unix) {
  auto fn = kernel32Export<DosNameFn>("wine_get_dos_file_name");
  if (!fn) return std::nullopt;
  std::string s(unix);
  WCHAR* p = fn(s.c_str());
  if (!p) return std::nullopt;
  std::wstring out(p);
  HeapFree(GetProcessHeap(), 0, p);
  return out;
}

std::optional<int> runUnixShell(std::string_view script, const std::vector<std::string>& args,
                                DWORD timeoutMs) {
  if (!runningUnderWine()) return std::nullopt;
  auto sh = dosPath("/bin/sh");
  if (!sh) return std::nullopt;
  TempDir dir(L"wintest-sh");
  auto scriptFile = dir.file(L"script.sh");
  auto statusFile = dir.file(L"status");
  writeFileBytes(scriptFile, script);
  auto scriptUnix = unixPath(scriptFile);
  auto statusUnix = unixPath(statusFile);
  if (!scriptUnix || !statusUnix) return std::nullopt;

  // Wine starts a non-PE file as a Linux program (argv split from the
  // command line by the Windows rules) but hands back no process handle, so
  // the wrapper reports the exit status through a file, written atomically.
  const std::string wrapper =
      "f=$1; s=$2; shift 2; /bin/sh \"$f\" \"$@\" >\"$s.log\" 2>&1; echo $? >\"$s.tmp\"; "
      "mv -f \"$s.tmp\" \"$s\"";
  std::vector<std::wstring> argv = {L"-c", fromUtf8(wrapper), L"wintest-sh", fromUtf8(*scriptUnix),
                                    fromUtf8(*statusUnix)};
  for (const auto& a : args) argv.push_back(fromUtf8(a));
  std::wstring commandLine = buildCommandLine(*sh, argv);

  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(sh->c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return std::nullopt;
  if (pi.hThread) CloseHandle(pi.hThread);
  if (pi.hProcess) CloseHandle(pi.hProcess);

  if (!waitForFileContaining(statusFile, "\n", timeoutMs)) return std::nullopt;
  std::string status = readFileBytes(statusFile);
  return std::atoi(status.c_str());
}

// --- GDI capture ------------------------------------------------------------------------------

Image captureScreenRect(const RECT& r) {
  Image img;
  img.width = std::max(0, static_cast<int>(r.right - r.left));
  img.height = std::max(0, static_cast<int>(r.bottom - r.top));
  if (img.width == 0 || img.height == 0) throw Error("captureScreenRect: empty rectangle");
  HDC screen = GetDC(nullptr);
  if (!screen) throwLastError("GetDC(screen)");
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = img.width;
  bi.bmiHeader.biHeight = -img.height;  // top-down rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!mem || !bmp) {
    if (bmp) DeleteObject(bmp);
    if (mem) DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    throwLastError("CreateDIBSection");
  }
  HGDIOBJ old = SelectObject(mem, bmp);
  BOOL ok = BitBlt(mem, 0, 0, img.width, img.height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
  GdiFlush();
  if (ok) {
    const uint32_t* src = static_cast<const uint32_t*>(bits);
    img.pixels.assign(src, src + static_cast<size_t>(img.width) * img.height);
    for (auto& p : img.pixels) p &= 0x00FFFFFF;
  }
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  if (!ok) throwLastError("BitBlt(screen)");
  return img;
}

namespace {

RECT screenBounds() {
  int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

RECT onScreen(HWND hwnd) {
  RECT w = windowRect(hwnd), s = screenBounds(), r{};
  if (!IntersectRect(&r, &w, &s)) throw Error("the window is off the screen");
  return r;
}

}  // namespace

Image captureScreen() { return captureScreenRect(screenBounds()); }

Image captureWindow(HWND hwnd) { return captureScreenRect(onScreen(hwnd)); }

// --- PNG ----------------------------------------------------------------------------------------

namespace {

uint32_t crc32(const unsigned char* data, size_t n, uint32_t crc = 0) {
  static const auto table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void putBE32(std::string& out, uint32_t v) {
  out += static_cast<char>(v >> 24);
  out += static_cast<char>(v >> 16);
  out += static_cast<char>(v >> 8);
  out += static_cast<char>(v);
}

void chunk(std::string& out, const char type[4], const std::string& data) {
  putBE32(out, static_cast<uint32_t>(data.size()));
  std::string body(type, 4);
  body += data;
  out += body;
  putBE32(out, crc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

}  // namespace

void writePng(const Image& image, const std::wstring& path) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<size_t>(image.width) * image.height)
    throw Error("writePng: bad image");
  // Raw scanlines: filter byte 0, then RGB.
  std::string raw;
  raw.reserve(static_cast<size_t>(image.height) * (1 + 3 * image.width));
  for (int y = 0; y < image.height; ++y) {
    raw += '\0';
    for (int x = 0; x < image.width; ++x) {
      uint32_t p = image.at(x, y);
      raw += static_cast<char>((p >> 16) & 0xFF);
      raw += static_cast<char>((p >> 8) & 0xFF);
      raw += static_cast<char>(p & 0xFF);
    }
  }
  // zlib stream of stored deflate blocks.
  std::string z = "\x78\x01";
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  for (size_t pos = 0; pos < raw.size() || pos == 0;) {
    size_t n = std::min<size_t>(raw.size() - pos, 65535);
    bool last = pos + n >= raw.size();
    z += static_cast<char>(last ? 1 : 0);
    z += static_cast<char>(n & 0xFF);
    z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF);
    z += static_cast<char>((~n >> 8) & 0xFF);
    z.append(raw, pos, n);
    pos += n;
    if (last) break;
  }
  putBE32(z, (b << 16) | a);

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  putBE32(ihdr, static_cast<uint32_t>(image.width));
  putBE32(ihdr, static_cast<uint32_t>(image.height));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
  chunk(png, "IHDR", ihdr);
  chunk(png, "IDAT", z);
  chunk(png, "IEND", std::string());
  writeFileBytes(path, png);
}

std::optional<std::pair<int, int>> pngSize(const std::wstring& path) {
  auto data = tryReadFileBytes(path);
  if (!data || data->size() < 24 || data->compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
      data->compare(12, 4, "IHDR") != 0)
    return std::nullopt;
  auto be = [&](size_t off) {
    const auto* u = reinterpret_cast<const unsigned char*>(data->data() + off);
    return static_cast<int>((uint32_t{u[0]} << 24) | (uint32_t{u[1]} << 16) | (uint32_t{u[2]} << 8) | u[3]);
  };
  return std::make_pair(be(16), be(20));
}

// --- Screenshots ---------------------------------------------------------------------------

namespace {

// import's output must be a fresh file: a stale one would pass for success.
bool importScreenshot(const std::wstring& pngPath, const std::string& cropGeometry) {
  if (!runningUnderWine()) return false;
  DeleteFileW(pngPath.c_str());
  auto out = unixPath(pngPath);
  if (!out) return false;
  std::string script =
      "command -v import >/dev/null || exit 127\n"
      "if [ -n \"$2\" ]; then import -window root -crop \"$2\" +repage \"$1\"; "
      "else import -window root \"$1\"; fi\n";
  auto status = runUnixShell(script, {*out, cropGeometry}, 30000);
  return status && *status == 0 && pngSize(pngPath).has_value();
}

}  // namespace

ScreenshotMethod saveScreenshot(const std::wstring& pngPath) {
  if (importScreenshot(pngPath, std::string())) return ScreenshotMethod::ImageMagickImport;
  writePng(captureScreen(), pngPath);
  return ScreenshotMethod::Gdi;
}

ScreenshotMethod saveWindowScreenshot(HWND hwnd, const std::wstring& pngPath) {
  RECT r = onScreen(hwnd);
  char geometry[64];
  wsprintfA(geometry, "%ldx%ld+%ld+%ld", r.right - r.left, r.bottom - r.top, r.left, r.top);
  if (importScreenshot(pngPath, geometry)) return ScreenshotMethod::ImageMagickImport;
  writePng(captureScreenRect(r), pngPath);
  return ScreenshotMethod::Gdi;
}

}  // namespace wintest
