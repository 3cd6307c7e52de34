#include "core/core_outcome.h"

#include <cstdio>

namespace kavro::run {
namespace {

std::wstring Hex(uint32_t value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(value));
  return text;
}

// Exit codes from 0xC0000000 up are NTSTATUS errors: the process crashed or was killed.
std::wstring ExitReason(uint32_t code, bool rewritten) {
  std::wstring reason =
      code >= 0xC0000000u
          ? L"Core Console 异常终止（" + Hex(code) + L"），图纸没有保存。"
          : L"Core Console 以退出代码 " + std::to_wstring(code) + L" 结束，图纸没有保存。";
  if (rewritten) reason += L"图纸文件已被改动，请检查。";
  return reason;
}

std::wstring WithLines(std::wstring reason, const std::vector<std::wstring>& lines) {
  size_t from = lines.size() > kCoreReportedLines ? lines.size() - kCoreReportedLines : 0;
  for (size_t i = from; i < lines.size(); ++i) reason += L"\r\n" + lines[i];
  return reason;
}

}  // namespace

JobEnd CoreJobEnd(size_t index, const CoreExit& exit) {
  JobEnd end;
  end.index = index;
  end.history = DrawingHistory::Of(exit.output);
  if (exit.timedOut) {
    end.errorNumber = kCoreTimeoutNumber;
    end.errorText = L"超过 " + SecondsText(exit.limitMs) + L" 秒没有结束，已结束该进程。";
    // It may have been ended in the middle of its save, or after it.
    if (exit.rewritten) end.errorText += L"图纸文件已被改动，请检查。";
  } else if (exit.exitCode != 0) {
    end.errorNumber = static_cast<long>(static_cast<int32_t>(exit.exitCode));
    end.errorText = ExitReason(exit.exitCode, exit.rewritten);
  } else if (!exit.rewritten) {
    end.errorNumber = kCoreNotSavedNumber;
    end.errorText = L"Core Console 已结束，但图纸没有保存（脚本可能未被加载或保存失败）。";
  } else {
    end.saved = true;
    return end;
  }
  end.errorText = WithLines(std::move(end.errorText), exit.lastLines);
  return end;
}

uint64_t Digest(uint64_t digest, std::string_view bytes) {
  for (char c : bytes) {
    digest ^= static_cast<unsigned char>(c);
    digest *= 1099511628211ull;
  }
  return digest;
}

std::wstring SecondsText(uint32_t milliseconds) {
  std::wstring text = std::to_wstring(milliseconds / 1000);
  uint32_t rest = milliseconds % 1000;
  if (rest == 0) return text;
  wchar_t fraction[8];
  std::swprintf(fraction, 8, L".%03u", static_cast<unsigned>(rest));
  std::wstring digits = fraction;
  while (digits.back() == L'0') digits.pop_back();
  return text + digits;
}

std::wstring CoreScriptName(size_t index) {
  std::wstring number = std::to_wstring(index + 1);
  if (number.size() < 5) number.insert(0, 5 - number.size(), L'0');
  return number + L".scr";
}

}  // namespace kavro::run
