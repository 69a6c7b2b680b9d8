// UiPort: what the audit form asks of whoever shows it. The Qt window implements it with message
// boxes; script mode prints one line per dialog; tests record the dialogs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace torva::audit {

enum class MessageIcon { kNone, kExclamation, kStop, kQuestion, kInformation };

class UiPort {
 public:
  virtual ~UiPort() = default;

  // A modal message box with an OK button.
  virtual void ShowMessage(std::string_view caption, std::string_view text, MessageIcon icon) = 0;

  // A modal question with the buttons Yes and No and the question-mark icon; true for Yes.
  virtual bool AskYesNo(std::string_view caption, std::string_view text) = 0;

  // The form's close has completed: the host ends its loop and takes the window away.
  virtual void FormEnded() {}

  // A close was stopped by field `name` (its text is no number): the auditor is taken to it, the
  // focus in it with its whole text selected, ready to be corrected. The form has already shown the
  // field's page and the message. A front end without focus does nothing.
  virtual void FocusField(std::string_view /*name*/) {}
};

// A dialog as one line of text, the way script mode prints it, an unattended window logs it and the
// tests record it: "[CAPTION] TEXT", and for a question the answer it got, " -> yes" or " -> no".
inline std::string DialogLine(std::string_view caption, std::string_view text,
                              std::optional<bool> answer = std::nullopt) {
  std::string line = "[" + std::string(caption) + "] " + std::string(text);
  if (answer) line += *answer ? " -> yes" : " -> no";
  return line;
}

}  // namespace torva::audit
