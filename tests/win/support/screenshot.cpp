#include <cstdio>

#include "support/support.h"

namespace kavro::test {

bool SaveWindowPicture(HWND window, const std::wstring& name) {
  RECT r{};
  GetWindowRect(window, &r);
  int width = r.right - r.left;
  int height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  GdiFlush();

  std::wstring folder = BuildFolder() + L"\\screenshots";
  CreateDirectoryW(folder.c_str(), nullptr);
  std::wstring path = folder + L"\\" + name + L".bmp";
  DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  DWORD imageSize = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + imageSize;
  bool ok = false;
  if (FILE* out = _wfopen(path.c_str(), L"wb")) {
    ok = fwrite(&file, sizeof(file), 1, out) == 1 &&
         fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
         fwrite(bits, 1, imageSize, out) == imageSize;
    fclose(out);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

}  // namespace kavro::test
