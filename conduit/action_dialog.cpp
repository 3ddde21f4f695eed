// The terminal form of the HotSync action dialog. It draws the choices,
// reads one answer per line and redraws after every change, so it can be
// driven by a person or by a script through the same streams.
#include "action_dialog.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <string_view>

namespace conduit {

namespace {

constexpr const char* kChoiceTexts[CHotSyncActionDlg::kChoiceCount] = {
    "Synchronize the files",
    "Desktop overwrites handheld",
    "Handheld overwrites Desktop",
    "Do nothing",
};

constexpr char kPrompt[] = "Choose 1-4, d = \"Set as default\" on/off, Enter = OK, c = Cancel: ";
constexpr char kHelp[] = "Please answer 1 to 4, d, c, or press Enter for OK.\n";

std::string Trimmed(std::string_view text) {
  const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  std::string answer(text);
  std::transform(answer.begin(), answer.end(), answer.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return answer;
}

}  // namespace

const char* CHotSyncActionDlg::ChoiceText(int index) {
  if (index < 0 || index >= kChoiceCount) return "";
  return kChoiceTexts[index];
}

CHotSyncActionDlg::CHotSyncActionDlg(void* /*parent*/) {}

void CHotSyncActionDlg::Show(std::ostream& output) const {
  output << "\n" << m_conduitName << ": HotSync action\n\n";
  for (int index = 0; index < kChoiceCount; ++index) {
    output << (index == m_actionIndex ? "  (*) " : "  ( ) ") << index + 1 << "  "
           << kChoiceTexts[index] << "\n";
  }
  output << "\n  [" << (m_setAsDefault ? 'x' : ' ') << "] Set as default\n\n" << kPrompt;
  output.flush();
}

int CHotSyncActionDlg::RunOn(std::istream& input, std::ostream& output) {
  m_actionIndex = std::clamp(m_actionIndex, 0, kChoiceCount - 1);
  Show(output);
  std::string line;
  while (std::getline(input, line)) {
    const std::string answer = Trimmed(line);
    if (answer.empty() || answer == "o" || answer == "ok") return kOk;
    if (answer == "c" || answer == "cancel") return kCancel;
    if (answer == "d") {
      m_setAsDefault = !m_setAsDefault;
    } else if (answer.size() == 1 && answer[0] >= '1' && answer[0] < '1' + kChoiceCount) {
      m_actionIndex = answer[0] - '1';
    } else {
      output << kHelp;
    }
    Show(output);
  }
  output << "\n";
  return kCancel;
}

int CHotSyncActionDlg::DoModal() {
  std::ifstream terminalIn("/dev/tty");
  std::ofstream terminalOut("/dev/tty");
  if (terminalIn.is_open() && terminalOut.is_open()) return RunOn(terminalIn, terminalOut);
  if (isatty(STDIN_FILENO) != 0) return RunOn(std::cin, std::cerr);
  std::cerr << m_conduitName
            << ": no terminal to show the HotSync action dialog; nothing was changed.\n";
  return kCancel;
}

}  // namespace conduit
