// One headless LibreOffice for one server, shared by every instance the
// server makes: started with a private profile and a pipe that only this
// machine can reach, spoken to through its UNO API, and ended (terminated,
// then waited for) when the server ends.
//
// The first LibreOffice that ends cleanly leaves its profile behind as the
// template that every later start copies: a new profile costs LibreOffice
// most of a second to build. A profile that a killed LibreOffice held is
// never used again; it dies with the server's scratch folder.
#pragma once

#include <sys/types.h>

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <string>
#include <string_view>

#include "result/result.h"

namespace office {

class OfficeSession {
 public:
  using Document = css::uno::Reference<css::lang::XComponent>;

  OfficeSession() = default;
  ~OfficeSession() = default;
  OfficeSession(const OfficeSession&) = delete;
  OfficeSession& operator=(const OfficeSession&) = delete;

  // Starts LibreOffice (the `soffice` on PATH) with its profile and pipe in
  // `scratch` and connects to it.
  platform::Result<void> Start(const std::string& scratch);

  // Loads a document hidden, read-only, with its macros and links left
  // alone, through the import filters of its extension only.
  platform::Result<Document> Load(const std::string& path);

  // True while LibreOffice runs and answers.
  bool Running();

  // Ends LibreOffice and waits for it; false when it was already gone.
  bool End();

 private:
  platform::Result<void> Launch();
  platform::Result<Document> LoadWith(const std::string& path, std::string_view filter);
  platform::Result<void> Connect();
  void PrepareProfile();
  void KeepProfileAsTemplate();

  std::string m_profile;
  std::string m_template;
  std::string m_pipeName;
  bool m_freshProfile = true;
  pid_t m_office = -1;
  bool m_ended = false;
  css::uno::Reference<css::uno::XComponentContext> m_context;
  css::uno::Reference<css::frame::XDesktop2> m_desktop;
};

// A UNO string as UTF-8, and back.
std::string Utf8Of(const rtl::OUString& text);
rtl::OUString OUStringOf(const std::string& text);

}  // namespace office
