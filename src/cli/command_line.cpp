#include "cli/command_line.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

#include "run/page_rule.h"

namespace kavro::cli {

namespace {

// Thrown while parsing; becomes an Error result at the end.
struct BadArgument {
  std::wstring message;
};

enum class Option { Start, R14, R2000, Engine, Jobs, Log, Core, CloudEngine, Cad, Check };

struct OptionInfo {
  Option option;
  std::wstring_view name;
  bool takesValue;
  bool forRetry;  // every option is for run
};

constexpr OptionInfo kOptions[] = {
    {Option::Start, L"--start", true, false},  {Option::R14, L"--r14", false, false},
    {Option::R2000, L"--r2000", false, false}, {Option::Engine, L"--engine", true, true},
    {Option::Jobs, L"--jobs", true, true},     {Option::Log, L"--log", true, true},
    {Option::Core, L"--core", true, true},     {Option::CloudEngine, L"--cloud-engine", true, true},
    {Option::Cad, L"--cad", true, true},       {Option::Check, L"--check", false, true},
};

bool IsHelpSwitch(std::wstring_view arg) {
  return arg == L"--help" || arg == L"-h" || arg == L"/?" || arg == L"-?";
}

std::wstring Quoted(std::wstring_view text) { return L"“" + std::wstring(text) + L"”"; }

const OptionInfo* FindOption(std::wstring_view name) {
  for (const OptionInfo& info : kOptions) {
    if (info.name == name) return &info;
  }
  return nullptr;
}

size_t JobsValue(std::wstring_view text) {
  size_t value = 0;
  bool whole = !text.empty() && text.size() <= 3;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') whole = false;
    if (whole) value = value * 10 + static_cast<size_t>(c - L'0');
  }
  // The hosted engine's bound; the local ones are checked once the engine is known.
  if (!whole || value < 1 || value > kMaxCloudJobs) {
    throw BadArgument{L"--jobs 的值" + Quoted(text) + L"无效，应为 1 到 " +
                      std::to_wstring(kMaxCloudJobs) + L" 之间的整数。"};
  }
  return value;
}

Engine EngineValue(std::wstring_view text) {
  if (text == L"gui") return Engine::Gui;
  if (text == L"core") return Engine::Core;
  if (text == L"cloud") return Engine::Cloud;
  throw BadArgument{L"--engine 的值" + Quoted(text) + L"无效，应为 gui、core 或 cloud。"};
}

class Parser {
 public:
  Parser(const std::vector<std::wstring>& args, CommandKind kind) : args_(args) {
    result_.kind = kind;
  }

  CommandLine Parse() {
    for (at_ = 1; at_ < args_.size(); ++at_) {
      const std::wstring& arg = args_[at_];
      if (arg.size() > 1 && arg[0] == L'-') {
        TakeOption(arg);
      } else {
        positional_.push_back(arg);
      }
    }
    TakePositional();
    CheckConflicts();
    return result_;
  }

 private:
  void TakeOption(const std::wstring& arg) {
    size_t equals = arg.find(L'=');
    std::wstring_view name = std::wstring_view(arg).substr(0, equals);
    const OptionInfo* info = FindOption(name);
    if (!info) throw BadArgument{L"未知的选项" + Quoted(arg) + L"。"};
    bool retry = result_.kind == CommandKind::Retry;
    if (retry && !info->forRetry) {
      throw BadArgument{L"retry 命令不接受选项" + Quoted(name) + L"。"};
    }
    if (std::find(seen_.begin(), seen_.end(), info->option) != seen_.end()) {
      throw BadArgument{L"选项" + Quoted(name) + L"重复。"};
    }
    seen_.push_back(info->option);
    if (!info->takesValue) {
      if (equals != std::wstring::npos) {
        throw BadArgument{L"选项" + Quoted(name) + L"不带值：" + Quoted(arg) + L"。"};
      }
      TakeFlag(info->option);
      return;
    }
    std::wstring value;
    if (equals != std::wstring::npos) {
      value = arg.substr(equals + 1);
    } else if (at_ + 1 < args_.size()) {
      value = args_[++at_];
    }
    if (value.empty()) throw BadArgument{L"选项" + Quoted(name) + L"缺少值。"};
    TakeValue(info->option, std::move(value));
  }

  void TakeFlag(Option option) {
    if (option == Option::R14) result_.r2000 = false;
    if (option == Option::Check) result_.checkOnly = true;
    if (Has(Option::R14) && Has(Option::R2000)) {
      throw BadArgument{L"选项“--r14”和“--r2000”不能同时使用。"};
    }
  }

  void TakeValue(Option option, std::wstring value) {
    switch (option) {
      case Option::Start:
        if (!std::isfinite(run::ReadLeadingNumber(value))) {
          throw BadArgument{L"起始页码" + Quoted(value) + L"太大，无法使用。"};
        }
        result_.startPage = std::move(value);
        break;
      case Option::Engine:
        result_.engine = EngineValue(value);
        result_.engineGiven = true;
        break;
      case Option::Jobs:
        result_.jobs = JobsValue(value);
        break;
      case Option::Log:
        result_.logPath = std::move(value);
        break;
      case Option::Core:
        result_.corePath = std::move(value);
        break;
      case Option::CloudEngine:
        result_.cloudEngine = std::move(value);
        break;
      case Option::Cad:
        result_.cad = std::move(value);
        break;
      case Option::R14:
      case Option::R2000:
      case Option::Check:
        break;
    }
  }

  void TakePositional() {
    if (result_.kind == CommandKind::Run) {
      if (positional_.empty()) throw BadArgument{L"缺少图纸列表文件。" + UsageHint()};
      if (positional_.size() < 2) throw BadArgument{L"缺少脚本模板文件。" + UsageHint()};
      result_.listPath = positional_[0];
      result_.scriptPath = positional_[1];
      if (positional_.size() > 2) throw BadArgument{L"多余的参数" + Quoted(positional_[2]) + L"。"};
    } else {
      if (!positional_.empty()) result_.journalPath = positional_[0];
      if (positional_.size() > 1) throw BadArgument{L"多余的参数" + Quoted(positional_[1]) + L"。"};
    }
  }

  void CheckConflicts() const {
    if (result_.kind == CommandKind::Retry && !result_.engineGiven) return;
    std::wstring conflict = EngineConflict(result_, result_.engine);
    if (!conflict.empty()) throw BadArgument{conflict};
  }

  bool Has(Option option) const {
    return std::find(seen_.begin(), seen_.end(), option) != seen_.end();
  }

  static std::wstring UsageHint() { return L"用法见 kavro --help。"; }

  const std::vector<std::wstring>& args_;
  size_t at_ = 1;
  CommandLine result_;
  std::vector<std::wstring> positional_;
  std::vector<Option> seen_;
};

CommandLine ErrorResult(std::wstring message) {
  CommandLine result;
  result.kind = CommandKind::Error;
  result.error = std::move(message);
  return result;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::wstring>& args) {
  CommandLine result;
  if (args.empty()) return result;
  if (args[0] == L"help" || std::any_of(args.begin(), args.end(), IsHelpSwitch)) {
    result.kind = CommandKind::Help;
    return result;
  }
  CommandKind kind;
  if (args[0] == L"run") {
    kind = CommandKind::Run;
  } else if (args[0] == L"retry") {
    kind = CommandKind::Retry;
  } else if (args[0] == L"cloud") {
    CommandLine cloud;
    cloud.kind = args.size() == 2 && args[1] == L"login"    ? CommandKind::CloudLogin
                 : args.size() == 2 && args[1] == L"logout" ? CommandKind::CloudLogout
                                                            : CommandKind::Error;
    if (cloud.kind == CommandKind::Error) {
      cloud.error = L"cloud 命令的用法：kavro cloud login 或 kavro cloud logout。";
    }
    return cloud;
  } else if (args[0] == L"cad") {
    if (args.size() > 1) return ErrorResult(L"cad 命令不带参数：" + Quoted(args[1]) + L"。");
    result.kind = CommandKind::Cad;
    return result;
  } else {
    return ErrorResult(L"未知的命令" + Quoted(args[0]) +
                       L"，应为 run、retry、cad 或 cloud。用法见 kavro --help。");
  }
  try {
    return Parser(args, kind).Parse();
  } catch (const BadArgument& bad) {
    return ErrorResult(bad.message);
  }
}

// An option given is one whose field differs from its default: --r14 clears r2000, --jobs is at
// least 1, --core and --cloud-engine are never empty.
std::wstring EngineConflict(const CommandLine& line, Engine engine) {
  if (!line.cloudEngine.empty() && engine != Engine::Cloud) {
    return L"选项“--cloud-engine”只能与“--engine cloud”一起使用。";
  }
  if (engine == Engine::Cloud) {
    if (!line.r2000) return L"选项“--r14”不能与“--engine cloud”一起使用。";
    if (!line.corePath.empty()) return L"选项“--core”只能与“--engine core”一起使用。";
    return {};
  }
  if (line.jobs > kMaxJobs) {
    return L"--jobs 的值" + Quoted(std::to_wstring(line.jobs)) + L"无效，应为 1 到 " +
           std::to_wstring(kMaxJobs) + L" 之间的整数（--engine cloud 可到 " +
           std::to_wstring(kMaxCloudJobs) + L"）。";
  }
  if (engine == Engine::Core) {
    if (!line.r2000) return L"选项“--r14”不能与“--engine core”一起使用。";
    return {};
  }
  if (line.jobs > 0) {
    return L"选项“--jobs”只能与“--engine core”或“--engine cloud”一起使用：桌面版 AutoCAD "
           L"一次只处理一张图纸。";
  }
  if (!line.corePath.empty()) return L"选项“--core”只能与“--engine core”一起使用。";
  return {};
}

std::wstring EngineWord(Engine engine) {
  return engine == Engine::Core ? L"core" : engine == Engine::Cloud ? L"cloud" : L"";
}

std::optional<Engine> EngineOfWord(std::wstring_view word) {
  for (Engine engine : {Engine::Gui, Engine::Core, Engine::Cloud}) {
    if (EngineWord(engine) == word) return engine;
  }
  return std::nullopt;
}

size_t ResolveJobs(size_t requested, size_t processors) {
  if (requested > 0) return std::min(requested, kMaxJobs);
  return std::clamp<size_t>(processors, 1, kDefaultJobsCap);
}

ExitCode ExitCodeOf(size_t failed, size_t notBegun, size_t scriptErrors) {
  return failed == 0 && notBegun == 0 && scriptErrors == 0 ? ExitCode::AllSaved
                                                           : ExitCode::SomeFailed;
}

std::wstring UsageText() {
  return LR"(Kavro 命令行：用脚本模板批量修改 AutoCAD 图纸。

用法：
  kavro run LIST SCRIPT [选项]
      按图纸列表文件 LIST 逐张打开图纸，运行脚本模板 SCRIPT 并保存。
      LIST 也可以是文件夹：处理其中（含子文件夹）的全部 .dwg 图纸，
      按列表框的顺序排列。模板中的 page 或 PAGE 换成每张图纸的页码，
      <acet:cBaseName> 等关键字换成图纸的文件名（见帮助）。
  kavro retry [JOURNAL] [选项]
      重新处理运行日志 JOURNAL 中没有保存成功的图纸，页码不变。
      不给 JOURNAL 时使用最近一次运行的日志；不给 --engine 时沿用原来的引擎。
  kavro cloud login | kavro cloud logout
      为当前 Windows 用户加密保存（或删除）Autodesk 云端的凭据
      （client id 和 client secret）；--engine cloud 在没有设置环境变量
      APS_CLIENT_ID 和 APS_CLIENT_SECRET 时使用它们。
  kavro cad
      列出本机登记的 CAD 程序：名称、类名、程序文件、有无控制台版。
  kavro --help
      显示本说明（也可用 -h、/? 或 help）。

run 的选项：
  --start N           第一张图纸的页码（默认 1）
  --r14 | --r2000     目标 AutoCAD 版本（默认 --r2000）

run 和 retry 的选项：
  --engine gui|core|cloud
                      gui：桌面版 AutoCAD，一次一张（默认）；
                      core：AutoCAD 控制台版（accoreconsole.exe），可同时处理多张；
                      cloud：Autodesk 云端的 AutoCAD 控制台版（Design Automation），
                      凭据取自环境变量 APS_CLIENT_ID 和 APS_CLIENT_SECRET
  --jobs N            同时处理的图纸数：core 为 1 到 32（默认为逻辑处理器数，
                      最多 8）；cloud 为 1 到 50（默认 10）
  --log FILE          运行记录（CSV）写到 FILE
  --core PATH         accoreconsole.exe 的位置（仅用于 --engine core）
  --cloud-engine ID   云端 AutoCAD 的版本（仅用于 --engine cloud；
                      默认 Autodesk.AutoCAD+24_3）
  --cad NAME          使用的 CAD 程序：kavro cad 列出的名称或类名，或
                      autocad、zwcad、gstarcad、bricscad（可加版本，如
                      autocad:2024）；默认自动。与 --engine core 一起时
                      使用该 AutoCAD 版本自己的控制台版
  --check             只检查图纸（存在、可写、没有被打开、路径可写入脚本），
                      列出每张图纸的页码和脚本文件名，不运行

开始之前先检查全部图纸；有图纸无法修改时列出原因，不运行，退出代码为 2。

选项可写成 --jobs 4 或 --jobs=4，可放在文件名之前或之后。
按一次 Ctrl+C：不再开始新的图纸，正在处理的做完为止；再按一次：立即结束。

退出代码：
  0  全部图纸已完成
  1  有图纸脚本报错、失败、被取消或没有开始
  2  参数或输入文件有误，或有图纸没有通过检查
  3  找不到或无法启动 AutoCAD

示例：
  kavro run 图纸.txt 图框.scr --start 41 --engine core --jobs 4
)";
}

}  // namespace kavro::cli
