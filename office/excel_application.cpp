// The spreadsheet program's automation objects, "Excel.Application" and
// what it hands out, answered by LibreOffice Calc:
//
//   application  572 get workbooks; 302 quit (closes the workbooks it opened;
//                LibreOffice stays for the server's next instance)
//   workbooks    682 open (path, ...) read-only, hidden
//   workbook     494 get worksheets; 277 close (unsaved)
//   worksheets   118 get count; 170 get item (1 to count)
//   worksheet    110 get name; 0x80010000 get code name; 412 get used range
//   range        551 copy: the cells as displayed, a tab between cells and
//                CR LF after each row, cells with tabs or line breaks in
//                quotes, as text on the caller's clipboard, cut to the most
//                text one call hands back
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include "automation/office_dispids.h"
#include "clipboard/clipboard.h"
#include "range_text.h"
#include "server_objects.h"

namespace office {
namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

using namespace excel;

// Runs a call, answering LibreOffice's exceptions as the call's failure.
template <typename Call>
InvokeResult Guarded(Call&& call) {
  try {
    return call();
  } catch (const css::uno::Exception& exception) {
    return Failure(exception);
  }
}

InvokeResult NoSuchCall() {
  return Failure(kMemberNotFound, "no such call");
}

class Range : public ServerObject {
 public:
  Range(Reference<css::frame::XModel> workbook, Reference<css::table::XCellRange> range)
      : m_workbook(std::move(workbook)), m_range(std::move(range)) {}

  InvokeResult Invoke(int32_t dispid, InvokeKind kind, const std::vector<Variant>& args) override {
    return Call(dispid, kind, args).result;
  }

  // The copied text travels in the reply, for the caller's clipboard.
  Reply Call(int32_t dispid, InvokeKind, const std::vector<Variant>& args) override {
    Reply reply;
    if (dispid != kCopy) {
      reply.result = NoSuchCall();
    } else if (auto wrong = CheckCount(args, 0, 1)) {
      reply.result = *wrong;
    } else {
      reply.result = Guarded([&] {
        std::vector<ClipboardEntry> entries;
        if (std::optional<std::string> text = CopiedText(m_workbook, m_range)) {
          std::vector<uint8_t> block(text->begin(), text->end());
          block.push_back(0);
          entries.push_back(ClipboardEntry{platform::clipboard::kFormatText, std::move(block)});
        }
        reply.clipboard = std::move(entries);
        return Answer();
      });
    }
    return reply;
  }

 private:
  Reference<css::frame::XModel> m_workbook;
  Reference<css::table::XCellRange> m_range;
};

class Worksheet : public ServerObject {
 public:
  Worksheet(Reference<css::frame::XModel> workbook, Reference<css::sheet::XSpreadsheet> sheet,
            int32_t index)
      : m_workbook(std::move(workbook)), m_sheet(std::move(sheet)), m_index(index) {}

  InvokeResult Invoke(int32_t dispid, InvokeKind, const std::vector<Variant>&) override {
    return Guarded([&] {
      switch (dispid) {
        case kName:
          return Answer(Variant::String(
              Utf8Of(Reference<css::container::XNamed>(m_sheet, UNO_QUERY_THROW)->getName())));
        case kCodeName:
          return Answer(Variant::String(CodeName()));
        case kUsedRange:
          return UsedRange();
        default:
          return NoSuchCall();
      }
    });
  }

 private:
  // The code name the workbook keeps for the sheet; a sheet that has none
  // gets the one a new workbook would give it.
  std::string CodeName() const {
    Reference<css::beans::XPropertySet> properties(m_sheet, UNO_QUERY_THROW);
    rtl::OUString codeName;
    properties->getPropertyValue("CodeName") >>= codeName;
    return codeName.isEmpty() ? "Sheet" + std::to_string(m_index) : Utf8Of(codeName);
  }

  InvokeResult UsedRange() const {
    Reference<css::sheet::XSheetCellCursor> cursor = m_sheet->createCursor();
    Reference<css::sheet::XUsedAreaCursor> area(cursor, UNO_QUERY_THROW);
    area->gotoStartOfUsedArea(false);
    area->gotoEndOfUsedArea(true);
    Reference<css::table::XCellRange> range(cursor, UNO_QUERY_THROW);
    return Answer(Variant::Object(std::make_shared<Range>(m_workbook, range)));
  }

  Reference<css::frame::XModel> m_workbook;
  Reference<css::sheet::XSpreadsheet> m_sheet;
  int32_t m_index;
};

class Worksheets : public ServerObject {
 public:
  Worksheets(Reference<css::frame::XModel> workbook, Reference<css::container::XIndexAccess> sheets)
      : m_workbook(std::move(workbook)), m_sheets(std::move(sheets)) {}

  InvokeResult Invoke(int32_t dispid, InvokeKind, const std::vector<Variant>& args) override {
    return Guarded([&] {
      if (dispid == kCount) return Answer(Variant::I4(m_sheets->getCount()));
      if (dispid != kItem) return NoSuchCall();
      if (auto wrong = CheckCount(args, 1, 1)) return *wrong;
      const std::optional<int32_t> index = IntegerOf(args[0]);
      if (!index) return Failure(kTypeMismatch, "the index is not a number");
      if (*index < 1 || *index > m_sheets->getCount()) return Failure(kException, "no such sheet");
      Reference<css::sheet::XSpreadsheet> sheet(m_sheets->getByIndex(*index - 1), UNO_QUERY_THROW);
      return Answer(Variant::Object(std::make_shared<Worksheet>(m_workbook, sheet, *index)));
    });
  }

 private:
  Reference<css::frame::XModel> m_workbook;
  Reference<css::container::XIndexAccess> m_sheets;
};

class Workbook : public ServerObject {
 public:
  explicit Workbook(Reference<css::lang::XComponent> document) : m_document(std::move(document)) {}
  ~Workbook() override { Close(); }

  InvokeResult Invoke(int32_t dispid, InvokeKind, const std::vector<Variant>&) override {
    return Guarded([&] {
      if (dispid == kClose) {
        Close();
        return Answer();
      }
      if (dispid != kWorksheets) return NoSuchCall();
      if (!m_document.is()) return Failure(kException, "the workbook is closed");
      Reference<css::sheet::XSpreadsheetDocument> workbook(m_document, UNO_QUERY_THROW);
      Reference<css::container::XIndexAccess> sheets(workbook->getSheets(), UNO_QUERY_THROW);
      Reference<css::frame::XModel> model(m_document, UNO_QUERY_THROW);
      return Answer(Variant::Object(std::make_shared<Worksheets>(model, sheets)));
    });
  }

  void Close() {
    if (!m_document.is()) return;
    try {
      Reference<css::util::XCloseable>(m_document, UNO_QUERY_THROW)->close(true);
    } catch (const css::uno::Exception&) {
      // A workbook that will not close goes with LibreOffice at the end.
    }
    m_document.clear();
  }

 private:
  Reference<css::lang::XComponent> m_document;
};

// The workbooks an application opened, closed when it quits; shared with
// its workbook collections, which a caller may hold longer.
using OpenWorkbooks = std::vector<std::weak_ptr<Workbook>>;
using OpenWorkbooksPtr = std::shared_ptr<OpenWorkbooks>;

class Workbooks : public ServerObject {
 public:
  Workbooks(OfficeSession& session, OpenWorkbooksPtr opened)
      : m_session(session), m_opened(std::move(opened)) {}

  InvokeResult Invoke(int32_t dispid, InvokeKind, const std::vector<Variant>& args) override {
    if (dispid != kOpen) return NoSuchCall();
    if (auto wrong = CheckCount(args, 1, 15)) return *wrong;
    if (args[0].type != VarType::kString) return Failure(kTypeMismatch, "the path is not a text");
    const platform::Result<OfficeSession::Document> document = m_session.Load(args[0].text);
    if (!document.Ok()) return Failure(kException, document.Reason());
    auto workbook = std::make_shared<Workbook>(document.Value());
    if (!Reference<css::sheet::XSpreadsheetDocument>(document.Value(), UNO_QUERY).is()) {
      return Failure(kException, "the file is not a workbook");  // closed with `workbook`
    }
    std::erase_if(*m_opened, [](const std::weak_ptr<Workbook>& held) { return held.expired(); });
    m_opened->push_back(workbook);
    return Answer(Variant::Object(std::move(workbook)));
  }

 private:
  OfficeSession& m_session;
  OpenWorkbooksPtr m_opened;
};

class ExcelApplication : public ServerObject {
 public:
  explicit ExcelApplication(OfficeSession& session) : m_session(session) {}
  ~ExcelApplication() override { CloseWorkbooks(); }

  InvokeResult Invoke(int32_t dispid, InvokeKind, const std::vector<Variant>&) override {
    switch (dispid) {
      case kWorkbooks:
        return Answer(Variant::Object(std::make_shared<Workbooks>(m_session, m_opened)));
      case kQuit:
        CloseWorkbooks();
        return Answer();
      default:
        return NoSuchCall();
    }
  }

 private:
  void CloseWorkbooks() {
    for (const std::weak_ptr<Workbook>& held : *m_opened) {
      if (const std::shared_ptr<Workbook> workbook = held.lock()) workbook->Close();
    }
    m_opened->clear();
  }

  OfficeSession& m_session;
  OpenWorkbooksPtr m_opened = std::make_shared<OpenWorkbooks>();
};

}  // namespace

DispatchPtr CreateExcelApplication(OfficeSession& session) {
  return std::make_shared<ExcelApplication>(session);
}

}  // namespace office
