// TfrmMain: all behaviour of the audit form "审计信息", headless. One class, split across files by
// concern:
//   lifetime.cc        showing and closing, connections, statement helpers, error display
//   parameters.cc      saved fields (G_GCCS rows, GCID -1) and the coefficient list SJKS.txt
//   budget_refresh.cc  refilling the fee columns from the budget tables
//   fee_pages.cc       construction-fee, preliminary-review and report-cover arithmetic
//   design_fees.cc     design fee and survey fee from the charge standard
//   design_page.cc     every reaction of the design-fee page
//   handlers.cc        the one table of handlers by the names the catalogue spells
// Every event handler is a method named after its control and event, so that one search leads from
// a control to its code: `T_36` -> T_36Change -> CalcReviewSubmittedTotal.
//
// Errors are torva::Error exceptions carrying the text to show. They unwind every nested handler up
// to the boundary of the user action (UserAction, Show, RequestClose), where the general error
// display shows them and the form stays open.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "audit/coefficient_list.h"
#include "audit/ui_port.h"
#include "db/arithmetic_engine.h"
#include "db/connection.h"
#include "form/form_model.h"

namespace torva::audit {

struct HandlerEntry;    // handlers.h
struct BudgetColumn;    // budget_refresh.cc

// The six values a host passes to OpenForm, and the host folder (ends in '/').
struct FormContext {
  std::string db_path;
  std::string stage;        // audit stage, "0" to "4"
  std::string text3;        // kept, never read
  std::string text4;        // kept, never read
  double owner_amount = 0;       // owner-supplied materials amount
  double contractor_amount = 0;  // contractor-supplied materials amount
  std::string host_folder;       // SJKS.txt and Data/GL.mgl live here
};

// The application's title: caption of the general error display and of ExecSql's dialog.
inline constexpr std::string_view kAppTitle = "TORVA";

class TfrmMain {
 public:
  // Creates the form in its layout state (nothing is shown or opened yet). `ui` must outlive it.
  TfrmMain(FormContext context, UiPort& ui);
  ~TfrmMain();
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;

  // ---- lifetime, as a host drives it (lifetime.cc) ----

  // Shows the form: runs FormShow once. An error that FormShow does not catch is shown by the general
  // error display and leaves the form open. A failed connection ends the form.
  void Show();
  // The one close path of the button "关闭", the close box and the system menu: runs FormClose at a
  // user-action boundary. Returns true when the form has ended. A close asked for while one is
  // already running (from a dialog of that close) does nothing and returns false.
  bool RequestClose();
  bool ended() const { return ended_; }
  // The field that stopped the latest close (its text is no number), or "" when none did.
  const std::string& close_stopped_at() const { return close_stopped_at_; }
  // The six values the host passed and the host folder, as the form received them.
  const FormContext& context() const { return context_; }
  // The project as the report names it: a file by its name, a server's database by
  // host/database/schema (known while connected). Never a password.
  std::string ProjectName() const;
  // AC_GC, the project database's connection while the form is connected, else null: for
  // diagnostics and tests that watch what reaches it.
  db::Connection* project_database() const { return ac_gc_.get(); }

  // Runs `action` as one user action (a keystroke, a click, a pick): any error escaping it is shown
  // by the general error display; the form stays open.
  void UserAction(const std::function<void()>& action);

  form::FormModel& model() { return model_; }
  const form::FormModel& model() const { return model_; }

  // ---- field access (lifetime.cc) ----

  // The loaded flag: the Tag of RzButton1.
  int Tag() const;
  std::string Text(std::string_view name) const;
  // Sets a field's text; its change handler runs when the text differs.
  void SetText(std::string_view name, const std::string& text);
  bool Checked(std::string_view name) const;
  // Sets a check box; its click handler runs when the state changes.
  void SetChecked(std::string_view name, bool checked);

  // Every event handler of the form, each once, by the name the catalogue spells (handlers.cc).
  static std::span<const HandlerEntry> Handlers();

  // ---- saved fields (parameters.cc) ----
  void SaveParam(const std::string& key, const std::string& value);
  void SaveAllParams();

 private:
  // ---- form events and helpers (lifetime.cc) ----
  void FormShow();
  // Throws on an error that abandons the close (the form then stays open).
  void FormClose();
  void RzButton1Click();
  bool Connect();           // FormShow step 1
  void ProbeFeeStandard();  // FormShow step 3
  // A save that cannot succeed: says why once and asks whether to close without the parameters.
  // Returns when the auditor chooses to close; throws QuietError to keep the form open.
  void AskToLeaveUnsaved(const std::string& cause);
  // The save stopped at field `field`: its page is shown, so that the auditor sees where.
  void StopCloseAt(const std::string& field);

  // The general error display: `text`, with a period appended when its last character sorts after
  // '.', in a message box captioned "TORVA" with a stop icon.
  void ShowError(std::string_view text);
  // The general error display of `error`, a database failure with its cause (failure_text.h).
  void ShowError(const std::exception& error);

  // Q_Pub: runs a statement on the project database and returns its result, which closes itself
  // (letting go of what it holds of the file) when the caller's scope ends. Errors reach the caller.
  db::ResultPtr OpenSql(const std::string& sql);
  // The project database's connection; throws when the form is not connected.
  db::Connection& Project();
  // Executes a statement on the project database; an error is shown in a plain dialog (caption
  // "TORVA", no icon) and the caller goes on. Returns whether it succeeded (nobody has to look).
  // Lives in parameters.cc, beside its only caller.
  bool ExecSql(const std::string& sql);
  // Shows a failed write of the save in ExecSql's dialog, each distinct text once per save.
  void ShowSaveFailure(const std::string& text);
  // Q_KCSJ: runs a statement on the fee standard, on a read-only connection of its own that reads
  // the file as it is now (connection.h, OpenOptions::read_only).
  db::ResultPtr OpenFeeStandard(const std::string& sql);
  // TextToFloat with its message shown through the UI.
  double TextToFloat(std::string_view text);
  // TextToFloat of a field's text.
  double Num(std::string_view name);
  void SetTag(int tag);

  // ---- the coefficient list and loading (parameters.cc) ----
  void LoadParams();                 // FormShow step 4
  // The statements LoadParams reads, in its order.
  static std::vector<std::string> LoadReads();
  void MarkOneStageSurvey();         // FormShow step 5: RzE_KC from RzCB_KC
  void LoadCoefficientList();        // FormShow step 2
  void SaveCoefficientList();        // FormClose step 2

  // ---- budget refresh (budget_refresh.cc) ----
  void RefreshFromBudget();
  // The statements RefreshFromBudget reads at this audit stage, in its order: none depends on an
  // earlier answer.
  std::vector<std::string> RefreshReads() const;
  // One column's amounts, labour days, materials and rates from its version of the budget.
  void RefreshColumn(const BudgetColumn& column);
  void RefreshCoverMaterialsFee();
  void RzButton2Click();
  void RzCB_AutoClick();

  // ---- construction-fee, preliminary-review and cover arithmetic (fee_pages.cc) ----
  void CalcFeeSubmittedTotal(int Loaded);
  void CalcFeeOwnerTotals(int Loaded, int Scope);
  void CalcFeeAuditTotals(int Loaded, int Scope);
  void CalcReviewSubmittedTotal(int Loaded);
  void CalcReviewOwnerTotals(int Loaded, int Scope);
  void CalcCoverTotals(int Loaded, int Scope);
  // The fields' values added left to right in extended precision, as general number text.
  std::string SumText(std::initializer_list<std::string_view> fields);
  void D_2Change();
  void D_3Change();
  void D_4Change();
  void D_5Change();
  void D_6Change();
  void D_11Change();
  void D_12Change();
  void T_1Change();
  void T_2Change();
  void T_3Change();
  void T_4Change();
  void T_9Change();
  void T_10Change();
  void T_11Change();
  void T_12Change();
  void T_13Change();
  void T_14Change();
  void T_36Change();
  void T_37Change();
  void T_38Change();
  void T_39Change();
  void T_58Change();
  void TC_3Change();
  void TC_4Change();
  void Date_1Change();
  void Date_2Change();
  void Date_3Change();
  void T_59Change();
  void T_50Change();
  void T_51Change();
  void T_52Change();
  void T_54Change();
  void T_55Change();
  void T_56Change();

  // ---- fees from the charge standard (design_fees.cc) ----
  void CalcDesignFee(const std::string& AmountText, bool ApplyCoefficient, std::string& ResultText);
  void CalcSurveyFee(const std::string& AmountText, bool ApplyCoefficient, std::string& ResultText);
  // The number in T_44 divided by 100, or 1 when that number is 0.
  double CoefficientFactor();
  // The one way a fee expression becomes a fee: refused unless it is plain arithmetic, evaluated by
  // the form's own arithmetic engine, never by the project database (scaled by 0.8 for a one-stage
  // survey), an error unless the value is a finite number, multiplied by the coefficient factor
  // when asked, written as "0.00".
  std::string FeeOf(const std::string& expression, bool one_stage, bool apply_coefficient);

  // ---- the design-fee page (design_page.cc) ----
  void CalcSurveyDesignTotal(int Loaded);
  void CalcInstallFee(int Loaded);
  // T_JZAZ: the audited installation amount, less the contractor-supplied materials unless
  // RzCB_YG is checked.
  void WriteInstallAmount();
  // The survey fee of the route length in `source` (the design fee of the amount in `source`, with
  // the coefficient), written into `target`.
  void SurveyFeeInto(std::string_view source, std::string_view target, bool apply_coefficient);
  void DesignFeeInto(std::string_view source, std::string_view target);
  void T_18Change();
  void T_20Change();
  void T_22Change();
  void T_24Change();
  void T_26Change();
  void T_28Change();
  void T_30Change();
  void T_32Change();
  void T_33Change();
  void T_34Change();
  void T_JZAZChange();
  void T_19KeyDown(int Key);
  void T_25KeyDown(int Key);
  void T_31KeyDown(int Key);
  void T_44Change();
  void T_44KeyDown(int Key);
  void T_44DblClick();
  void T_SJFKeyDown(int Key);
  void T_KCFKeyDown(int Key);
  void RzCB_KCClick();
  void RzCB_1Select();
  void RzCB_YJClick();
  void RzCB_YGClick();

  FormContext context_;
  UiPort& ui_;
  form::FormModel model_;
  bool ended_ = false;
  bool closing_ = false;  // FormClose is running
  std::string close_stopped_at_;

  std::unique_ptr<db::Connection> ac_gc_;  // AC_GC, the project database; null when not connected
  std::string q_kcsj_connection_;           // Q_KCSJ's own connection string, the fee standard
  std::unique_ptr<db::Connection> q_kcsj_;  // connected at its first statement
  // The fee expressions' engine, private to the form.
  std::unique_ptr<db::ArithmeticEngine> arithmetic_ = db::NewArithmeticEngine();

  double audited_install_amount_ = 0;

  // The coefficient list file as FormShow found it: why it could not be read (empty when it was
  // read or did not exist), and the encoding it is written back in.
  std::string list_unread_reason_;
  ListEncoding list_encoding_ = ListEncoding::kUtf8;
  // The auditor chose to close without saving the parameters: the close writes nothing.
  bool leaving_unsaved_ = false;

  // While SaveAllParams runs: the database errors shown so far (each distinct text once per save)
  // and how many keys kept the rows they had.
  std::set<std::string, std::less<>> save_errors_shown_;
  int keys_not_saved_ = 0;
};

}  // namespace torva::audit
