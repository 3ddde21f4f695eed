// The word processor's automation object, "Word.Basic", answered by
// LibreOffice Writer. It knows the calls that take a document's text:
//
//   0x810A  (text)            accepted; nothing to do without a window
//   0x0050  open (path, ...)  loads the document hidden and read-only
//   0x00ED  select all        selects the whole document
//   0x8015  selection text    the selected text, each paragraph ended by CR,
//                             cut to the most text one call hands back
//   0x80A0  close (option)    closes the document unsaved
//   0x8107  end (text)        closes the document; LibreOffice stays for
//                             the server's next instance
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include "automation/office_dispids.h"
#include "server_objects.h"

namespace office {
namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY;

using namespace word_basic;

// The text as the word processor holds it: every paragraph ends with CR,
// the last one too; an empty document has no text at all.
std::string WithParagraphMarks(std::string text) {
  if (text.empty()) return text;
  std::string marked;
  marked.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    marked.push_back(text[i] == '\n' ? '\r' : text[i]);
  }
  marked.push_back('\r');
  return marked;
}

void CloseDocument(Reference<css::lang::XComponent>& document) {
  if (!document.is()) return;
  try {
    Reference<css::util::XCloseable> closeable(document, UNO_QUERY);
    if (closeable.is()) {
      closeable->close(true);
    } else {
      document->dispose();
    }
  } catch (const css::uno::Exception&) {
    // A document that will not close goes with LibreOffice at the end.
  }
  document.clear();
}

class WordBasic : public ServerObject {
 public:
  explicit WordBasic(OfficeSession& session) : m_session(session) {}
  ~WordBasic() override { CloseDocument(m_document); }

  InvokeResult Invoke(int32_t dispid, InvokeKind /*kind*/,
                      const std::vector<Variant>& args) override {
    try {
      switch (dispid) {
        case kFirstCall:
          return Answer();
        case kOpen:
          return Open(args);
        case kSelectAll:
          return SelectAll();
        case kReadText:
          return SelectionText();
        case kCloseDocument:
          CloseDocument(m_document);
          return Answer();
        case kCloseServer:
          CloseDocument(m_document);
          return Answer();
        default:
          return Failure(kMemberNotFound, "no such call");
      }
    } catch (const css::uno::Exception& exception) {
      return Failure(exception);
    }
  }

 private:
  InvokeResult Open(const std::vector<Variant>& args) {
    if (auto wrong = CheckCount(args, 1, 9)) return *wrong;
    if (args[0].type != VarType::kString) return Failure(kTypeMismatch, "the path is not a text");
    CloseDocument(m_document);
    m_selectedAll = false;
    const platform::Result<OfficeSession::Document> loaded = m_session.Load(args[0].text);
    if (!loaded.Ok()) return Failure(kException, loaded.Reason());
    m_document = loaded.Value();
    if (!Reference<css::text::XTextDocument>(m_document, UNO_QUERY).is()) {
      CloseDocument(m_document);
      return Failure(kException, "the file is not a word-processor document");
    }
    return Answer();
  }

  InvokeResult SelectAll() {
    if (!m_document.is()) return Failure(kException, "no document is open");
    m_selectedAll = true;
    return Answer();
  }

  InvokeResult SelectionText() {
    if (!m_document.is()) return Failure(kException, "no document is open");
    if (!m_selectedAll) return Answer(Variant::String({}));
    Reference<css::text::XTextDocument> text(m_document, UNO_QUERY);
    return Answer(
        Variant::String(BoundedCallText(WithParagraphMarks(Utf8Of(text->getText()->getString())))));
  }

  OfficeSession& m_session;
  Reference<css::lang::XComponent> m_document;
  bool m_selectedAll = false;
};

}  // namespace

DispatchPtr CreateWordBasic(OfficeSession& session) {
  return std::make_shared<WordBasic>(session);
}

}  // namespace office
