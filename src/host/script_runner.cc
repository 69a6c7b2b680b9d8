#include "host/script_runner.h"

#include <string>
#include <string_view>
#include <vector>

#include "form/controls.h"
#include "text/strings.h"

namespace torva::host {

namespace {

// Prints every dialog as "[CAPTION] TEXT" and answers questions as the script said.
class ScriptUi : public audit::UiPort {
 public:
  explicit ScriptUi(std::ostream& out) : out_(out) {}

  void ShowMessage(std::string_view caption, std::string_view text, audit::MessageIcon) override {
    out_ << audit::DialogLine(caption, text) << '\n';
  }

  bool AskYesNo(std::string_view caption, std::string_view text) override {
    const bool yes = next_answer_;
    next_answer_ = true;
    out_ << audit::DialogLine(caption, text, yes) << '\n';
    return yes;
  }

  void set_next_answer(bool yes) { next_answer_ = yes; }

 private:
  std::ostream& out_;
  bool next_answer_ = true;
};

// Splits "cmd NAME TEXT": words separated by one blank, TEXT the rest of the line.
struct Command {
  std::string verb;
  std::string name;
  std::string rest;
};

Command Parse(std::string_view line) {
  Command c;
  const size_t a = line.find(' ');
  c.verb = std::string(line.substr(0, a));
  if (a == std::string_view::npos) return c;
  std::string_view tail = line.substr(a + 1);
  const size_t b = tail.find(' ');
  c.name = std::string(tail.substr(0, b));
  if (b != std::string_view::npos) c.rest = std::string(tail.substr(b + 1));
  return c;
}

std::string Join(const std::vector<std::string>& items) {
  std::string joined;
  for (size_t i = 0; i < items.size(); ++i) joined += (i ? "|" : "") + items[i];
  return joined;
}

// The words after the verb, as one text ("out file.pdf" stays one name).
std::string NameAndRest(const Command& c) { return c.name + (c.rest.empty() ? "" : " " + c.rest); }

int IndexOf(const std::vector<std::string>& items, const std::string& item) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == item) return static_cast<int>(i);
  }
  return -1;
}

class Runner {
 public:
  Runner(audit::TfrmMain& form, ScriptUi& ui, std::ostream& out, std::ostream& err,
         const ReportWriter& write_report, const ReportWriter& write_workbook)
      : form_(form),
        ui_(ui),
        out_(out),
        err_(err),
        write_report_(write_report),
        write_workbook_(write_workbook) {}

  void Run(const Command& c, int line_no) {
    line_no_ = line_no;
    auto& model = form_.model();
    if (c.verb == "set" || c.verb == "type") {
      form::Edit* edit = model.FindEdit(c.name);
      if (edit == nullptr) return Complain("no edit named " + c.name);
      if (c.verb == "set") {
        form_.UserAction([&] { edit->SetText(c.rest); });
      } else {
        for (const std::string& ch : text::Utf8Characters(c.rest)) {
          if (form_.ended()) break;
          form_.UserAction([&] { edit->SetText(edit->text() + ch); });
        }
      }
    } else if (c.verb == "key") {
      form::Control* control = model.Find(c.name);
      if (control == nullptr) return Complain("no control named " + c.name);
      if (c.rest != "enter") return Complain("only the key 'enter' is known");
      form_.UserAction([&] { control->KeyDown(form::kKeyEnter); });
    } else if (c.verb == "dblclick") {
      form::Control* control = model.Find(c.name);
      if (control == nullptr) return Complain("no control named " + c.name);
      form_.UserAction([&] { control->DblClick(); });
    } else if (c.verb == "click") {
      if (auto* box = model.FindCheckBox(c.name)) {
        form_.UserAction([&] { box->Click(); });
      } else if (auto* button = model.FindButton(c.name)) {
        form_.UserAction([&] { button->Click(); });
      } else {
        Complain("no check box or button named " + c.name);
      }
    } else if (c.verb == "select") {
      Select(c.name, c.rest);
    } else if (c.verb == "answer") {
      if (c.name != "yes" && c.name != "no") return Complain("answer takes yes or no");
      ui_.set_next_answer(c.name == "yes");
    } else if (c.verb == "print") {
      Print(c);
    } else if (c.verb == "close") {
      form_.RequestClose();
    } else if (c.verb == "report") {
      Write(write_report_, "report needs the name of a PDF file", NameAndRest(c));
    } else if (c.verb == "export") {
      Write(write_workbook_, "export needs the name of an .xlsx file", NameAndRest(c));
    } else {
      Complain("unknown command '" + c.verb + "'");
    }
  }

 private:
  // The report's file is written from the form as it stands (not a user action).
  void Write(const ReportWriter& writer, const char* no_name, const std::string& path) {
    if (path.empty()) return Complain(no_name);
    if (!writer) return Complain("this host cannot write that file");
    const std::string error = writer(form_, path);
    if (!error.empty()) ui_.ShowMessage(audit::kAppTitle, error, audit::MessageIcon::kStop);
  }

  void Select(const std::string& name, const std::string& item) {
    auto& model = form_.model();
    if (auto* list = model.FindListCombo(name)) {
      const int index = IndexOf(list->items(), item);
      if (index < 0) return Complain("no item '" + item + "' in " + name);
      form_.UserAction([&] { list->UserSelect(index); });
    } else if (auto* combo = model.FindComboEdit(name)) {
      const int index = IndexOf(combo->items(), item);
      if (index < 0) return Complain("no item '" + item + "' in " + name);
      form_.UserAction([&] { combo->UserPick(index); });
    } else {
      Complain("no combo box named " + name);
    }
  }

  void Print(const Command& c) {
    std::string names = NameAndRest(c);
    size_t start = 0;
    while (start <= names.size()) {
      size_t end = names.find(' ', start);
      if (end == std::string::npos) end = names.size();
      const std::string name = names.substr(start, end - start);
      start = end + 1;
      if (name.empty()) continue;
      PrintOne(name);
    }
  }

  void PrintOne(const std::string& name) {
    auto& model = form_.model();
    std::string value;
    if (name == "page") {
      value = model.page_control().active_page();
    } else if (name == "Tag") {
      value = std::to_string(form_.Tag());
    } else if (name == "T_44.items") {
      value = Join(model.coefficient().items());
    } else if (auto* edit = model.FindEdit(name)) {
      value = edit->text();
    } else if (auto* box = model.FindCheckBox(name)) {
      value = box->checked() ? "1" : "0";
    } else if (auto* list = model.FindListCombo(name)) {
      value = list->SelectedText();
    } else {
      return Complain("nothing to print named " + name);
    }
    out_ << name << '=' << value << '\n';
  }

  void Complain(const std::string& what) {
    err_ << "torva-host: script line " << line_no_ << ": " << what << '\n';
  }

  audit::TfrmMain& form_;
  ScriptUi& ui_;
  std::ostream& out_;
  std::ostream& err_;
  const ReportWriter& write_report_;
  const ReportWriter& write_workbook_;
  int line_no_ = 0;
};

}  // namespace

int RunScript(const audit::FormContext& context, std::istream& script, std::ostream& out,
              std::ostream& err, const ReportWriter& write_report,
              const ReportWriter& write_workbook) {
  ScriptUi ui(out);
  audit::TfrmMain form(context, ui);
  form.Show();
  Runner runner(form, ui, out, err, write_report, write_workbook);
  std::string line;
  int line_no = 0;
  while (!form.ended() && std::getline(script, line)) {
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    runner.Run(Parse(line), line_no);
    out.flush();
  }
  if (!form.ended()) form.RequestClose();
  out.flush();
  return form.ended() ? 0 : 3;
}

}  // namespace torva::host
