// Starting, connecting to and ending the server's LibreOffice.
#include "office_session.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Sequence.hxx>
#include <cppuhelper/bootstrap.hxx>
#include <cstdlib>
#include <filesystem>
#include <osl/file.hxx>
#include <thread>
#include <vector>

#include "automation/scratch_folder.h"
#include "fs/private_folder.h"
#include "import_filters.h"
#include "process/process_start.h"

namespace office {
namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY;

constexpr auto kConnectRetry = std::chrono::milliseconds(20);
// The address space LibreOffice may take. It starts in less than 256 MiB;
// a document that would need more than this (a few kilobytes of zip can
// unpack to gigabytes) makes its allocations fail, and its load with them,
// instead of taking the PC's memory.
constexpr uint64_t kOfficeAddressSpace = uint64_t{1024} * 1024 * 1024;

// This user's folder of profile templates, made private on first use; empty
// when it cannot be had safely (someone else's, or not a folder).
std::string TemplateFolder() {
  const std::string folder =
      platform::TemporaryFolder() + "/vellamore-office-" + std::to_string(getuid());
  mkdir(folder.c_str(), 0700);
  struct stat status {};
  if (lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
      status.st_uid != getuid() || (status.st_mode & 077) != 0) {
    return {};
  }
  return folder;
}

// Names the template after the LibreOffice it was made by, so that an
// update of LibreOffice starts a new one.
std::string TemplateName() {
  std::error_code error;
  const auto stamp =
      std::filesystem::last_write_time(LIBREOFFICE_PROGRAM_DIR "/soffice.bin", error);
  return "profile-" + std::to_string(static_cast<uint64_t>(stamp.time_since_epoch().count()));
}

std::string FileUrlOf(const std::string& path) {
  rtl::OUString url;
  osl::FileBase::getFileURLFromSystemPath(OUStringOf(path), url);
  return Utf8Of(url);
}

css::beans::PropertyValue Property(const char* name, css::uno::Any value) {
  css::beans::PropertyValue property;
  property.Name = rtl::OUString::createFromAscii(name);
  property.Value = std::move(value);
  return property;
}

}  // namespace

std::string Utf8Of(const rtl::OUString& text) {
  const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(bytes.getStr(), static_cast<size_t>(bytes.getLength()));
}

rtl::OUString OUStringOf(const std::string& text) {
  return rtl::OStringToOUString(rtl::OString(text.data(), static_cast<sal_Int32>(text.size())),
                                RTL_TEXTENCODING_UTF8);
}

platform::Result<void> OfficeSession::Start(const std::string& scratch) {
  m_profile = scratch + "/profile";
  m_pipeName =
      platform::automation::OfficePipeName(std::filesystem::path(scratch).filename().string());
  PrepareProfile();
  platform::Result<void> launched = Launch();
  if (!launched.Ok()) return launched;
  return Connect();
}

void OfficeSession::PrepareProfile() {
  const std::string folder = TemplateFolder();
  if (folder.empty()) return;
  m_template = folder + "/" + TemplateName();
  std::error_code error;
  if (!std::filesystem::is_directory(m_template, error)) return;
  std::filesystem::copy(m_template, m_profile, std::filesystem::copy_options::recursive, error);
  m_freshProfile = static_cast<bool>(error);
  if (error) std::filesystem::remove_all(m_profile, error);
}

platform::Result<void> OfficeSession::Launch() {
  // In the server's process group, so that the server's end is its end, and
  // with a bound on its memory.
  platform::StartOptions options;
  options.addressSpaceLimit = kOfficeAddressSpace;
  const platform::Result<pid_t> started = platform::StartProcess(
      {"soffice", "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
       "--nolockcheck", "-env:UserInstallation=" + FileUrlOf(m_profile),
       "--accept=pipe,name=" + m_pipeName + ";urp;"},
      options);
  if (!started.Ok()) return platform::Failure{"LibreOffice " + started.Reason()};
  m_office = started.Value();
  return {};
}

platform::Result<void> OfficeSession::Connect() {
  // Without the bootstrap file the UNO runtime cannot find its types.
  setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" LIBREOFFICE_PROGRAM_DIR "/fundamentalrc", 0);
  try {
    const Reference<css::uno::XComponentContext> local =
        cppu::defaultBootstrap_InitialComponentContext();
    const Reference<css::bridge::XUnoUrlResolver> resolver =
        css::bridge::UnoUrlResolver::create(local);
    const rtl::OUString url =
        OUStringOf("uno:pipe,name=" + m_pipeName + ";urp;StarOffice.ComponentContext");
    for (;;) {
      try {
        m_context.set(resolver->resolve(url), UNO_QUERY);
        break;
      } catch (const css::connection::NoConnectException&) {
        int status = 0;
        if (waitpid(m_office, &status, WNOHANG) == m_office) {
          m_office = -1;
          return platform::Failure{"LibreOffice ended before it answered"};
        }
        std::this_thread::sleep_for(kConnectRetry);
      }
    }
    m_desktop = css::frame::Desktop::create(m_context);
    return {};
  } catch (const css::uno::Exception& exception) {
    return platform::Failure{"LibreOffice could not be reached: " + Utf8Of(exception.Message)};
  }
}

platform::Result<OfficeSession::Document> OfficeSession::Load(const std::string& path) {
  bool detect = false;
  const std::span<const ImportFilter> filters = ImportFiltersOf(path, detect);
  if (detect) return LoadWith(path, {});
  // The reason of the last filter that fails stands.
  platform::Result<Document> loaded =
      platform::Failure{filters.empty() ? "LibreOffice reads no files of this type"
                                        : "it is not the kind of file its name says"};
  for (const ImportFilter& filter : filters) {
    const platform::Result<bool> begins = BeginsWith(path, filter.signature);
    if (!begins.Ok()) return platform::Failure{begins.Reason()};
    if (!begins.Value()) continue;
    loaded = LoadWith(path, filter.name);
    if (loaded.Ok()) break;
  }
  return loaded;
}

platform::Result<OfficeSession::Document> OfficeSession::LoadWith(const std::string& path,
                                                                  std::string_view filter) {
  std::vector<css::beans::PropertyValue> list = {
      Property("Hidden", css::uno::Any(true)), Property("ReadOnly", css::uno::Any(true)),
      Property("MacroExecutionMode", css::uno::Any(css::document::MacroExecMode::NEVER_EXECUTE)),
      Property("UpdateDocMode", css::uno::Any(css::document::UpdateDocMode::NO_UPDATE))};
  if (!filter.empty()) {
    list.push_back(Property("FilterName", css::uno::Any(OUStringOf(std::string(filter)))));
  }
  const css::uno::Sequence<css::beans::PropertyValue> properties(
      list.data(), static_cast<sal_Int32>(list.size()));
  try {
    Document document =
        m_desktop->loadComponentFromURL(OUStringOf(FileUrlOf(path)), "_blank", 0, properties);
    if (!document.is()) return platform::Failure{"LibreOffice cannot open the document"};
    return document;
  } catch (const css::uno::Exception& exception) {
    return platform::Failure{"LibreOffice cannot open the document: " + Utf8Of(exception.Message)};
  }
}

bool OfficeSession::Running() {
  if (m_ended || m_office <= 0) return false;
  int status = 0;
  if (waitpid(m_office, &status, WNOHANG) == m_office) {
    m_office = -1;
    return false;
  }
  try {
    // Any call will do: a bridge to a LibreOffice that went throws.
    m_desktop->getCurrentComponent();
    return true;
  } catch (const css::uno::Exception&) {
    return false;
  }
}

bool OfficeSession::End() {
  if (m_ended || m_office <= 0) return false;
  m_ended = true;
  bool terminated = false;
  try {
    terminated = m_desktop.is() && m_desktop->terminate();
  } catch (const css::uno::Exception&) {
    // The connection drops while LibreOffice ends; that is its answer.
    terminated = true;
  }
  // One that was never reached, or that refuses to end, is killed.
  if (!terminated) kill(m_office, SIGKILL);
  m_desktop.clear();
  m_context.clear();
  int status = 0;
  while (waitpid(m_office, &status, 0) < 0 && errno == EINTR) {
  }
  m_office = -1;
  // LibreOffice leaves the name of its pipe behind in the temporary folder.
  unlink(("/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_" + m_pipeName).c_str());
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) KeepProfileAsTemplate();
  return true;
}

void OfficeSession::KeepProfileAsTemplate() {
  if (!m_freshProfile || m_template.empty()) return;
  // A rename either puts the whole profile in place or nothing: a start
  // that runs at the same moment never copies half a template.
  std::error_code error;
  std::filesystem::rename(m_profile, m_template, error);
}

}  // namespace office
