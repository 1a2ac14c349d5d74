#include "stadaf/StadafNewHeader.h"

#include <unistd.h>

#include <filesystem>

#include "layout/TextHelpers.h"
#include "platform/File.h"
#include "support/ConfigStorage.h"
#include "support/TextLines.h"

#ifndef KW_PROGRAM_VERSION
#define KW_PROGRAM_VERSION "1.0"
#endif

namespace {

constexpr size_t kNameSize = 20;
constexpr size_t kCodeSize = 5;
constexpr size_t kLabelSize = 20;

std::string ConverterSetting(const std::string& name) {
  const Ref<IConfigIni> config = Query<IConfigIni>(GetConfigStorage());
  return config ? std::string(TrimText(config->ReadString("Converter", name, std::string()))) : std::string();
}

// text cut to size, then filled with fill bytes to size.
std::string Fit(std::string_view text, size_t size, char fill) {
  std::string result(text.substr(0, size));
  result.resize(size, fill);
  return result;
}

std::string ProgramFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.parent_path().string();
}

}  // namespace

std::string StadafConverterLabel() {
  const std::string folder = ProgramFolder();
  const std::string library = (std::filesystem::path(folder) / "kwsdcv32.dll").string();
  if (!folder.empty() && FileExists(library)) return "kwDafex " + GetFileVersionText(library, true);
  return std::string("Kestrelwing ") + KW_PROGRAM_VERSION;
}

std::string NewStadafFixedPart(std::string_view versionText, bool zeroPadSenderCode) {
  const std::string senderName = ConverterSetting("SenderName");
  const std::string senderCode = ConverterSetting("SenderCode");
  std::string header = "STADAF";
  header += Fit(versionText, 4, ' ');
  header += "000000000000";
  header += senderName.empty() ? Fit("Corvanelle", kNameSize, ' ') : Fit(senderName, kNameSize, '\0');
  header += senderCode.empty() ? Fit("CV", kCodeSize, ' ')
                               : Fit(senderCode, kCodeSize, zeroPadSenderCode ? '\0' : ' ');
  header += Fit(StadafConverterLabel(), kLabelSize, ' ');
  header += "0000";
  header += "1";
  header += "#";
  header += "000000000000";
  header += "PC-ASCII";
  return header;
}
