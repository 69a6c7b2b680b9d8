// The SQLite floor: the work of the audit form done by the shortest path we can write directly on
// SQLite's C API, to measure how far TORVA stands above it.
//
// FloorForm keeps the same fields (a flat array of texts indexed by constants instead of controls
// found by name), fires the same change handlers (a switch instead of wired std::functions), runs
// the same statements in plain SQLite (single-quoted literals, printf('%.2f') for Format, "is null"
// for IsNull, "*1.0" where a division must be real), and writes the same texts. What it leaves out
// is everything that is machinery rather than work:
// - each statement is prepared once per connection and reset for the next run; values that change
//   between runs (a band lookup's amount, a saved key and value) are bound, not spliced;
// - both connections stay open from the start to the close (TORVA's fee-standard query connects
//   afresh for every lookup, as the desktop query it stands for did);
// - no dialect translation, no expression check, no savepoint per key, no exceptions in the normal
//   path, no dialogs.
// The evaluation of a fee expression ("select EXPR as HJ") is prepared on every call: its text is
// what the auditor sees and may edit, so it differs from call to call in general.
//
// Only std and SQLite: the floor shares no code with TORVA.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace torva_bench {

// Field slots: the saved fields, then the four texts that are not saved.
constexpr int D(int n) { return n - 1; }          // D_1 .. D_12
constexpr int T(int n) { return 12 + n - 1; }     // T_1 .. T_59
constexpr int TC(int n) { return 71 + n - 1; }    // TC_1 .. TC_4
constexpr int Date(int n) { return 75 + n - 1; }  // Date_1 .. Date_6
constexpr int kJZAZ = 81;
constexpr int kSJF = 82;
constexpr int kKCF = 83;
constexpr int kRzE_KC = 84;
constexpr int kFieldCount = 85;

// The control name of a slot ("T_44", "T_JZAZ", ...).
std::string FieldName(int field);

struct FloorContext {
  std::string project;      // project database file
  std::string host_folder;  // ends in '/': SJKS.txt and Data/GL.mgl
  std::string stage = "4";
  double owner_amount = 0;
  double contractor_amount = 0;
};

// The context of the memory probes, from their command line: the demo at stage "4" with the
// materials amounts 12.5 and 3, the host folder given with or without its final '/'.
inline FloorContext ProbeContext(std::string project, std::string host_folder) {
  FloorContext context;
  context.project = std::move(project);
  context.host_folder = std::move(host_folder);
  if (!context.host_folder.empty() && context.host_folder.back() != '/') context.host_folder += '/';
  context.owner_amount = 12.5;
  context.contractor_amount = 3;
  return context;
}

class FloorForm {
 public:
  explicit FloorForm(FloorContext context);
  ~FloorForm();
  FloorForm(const FloorForm&) = delete;
  FloorForm& operator=(const FloorForm&) = delete;

  // Connect, read SJKS.txt, probe the fee standard, load the saved fields, refresh when automatic
  // refresh is on, loaded flag 1. Throws std::runtime_error on any failure.
  void Open();
  // Every key in one transaction: the Delete and the Insert of each key, prepared once, bound.
  void SaveAll();
  // SaveAll, SJKS.txt replaced (written beside, synced, renamed, folder synced), both connections
  // closed.
  void Close();
  // The budget refresh with its recalculations (the button "重置默认数据").
  void Refresh();

  // The auditor replaces a field's text (one change; its handler runs when the text differs).
  void Type(int field, const std::string& text);
  // Enter in the route length T_31: the survey fee of the auditor column.
  void EnterRouteLength();

  const std::string& Text(int field) const { return fields_[field]; }
  int tag() const { return tag_; }

 private:
  // Every statement the floor runs, in plain SQLite. The ones with parameters stand for the form's
  // statements into which a number or a key is spliced.
  enum Stmt : int {
    kLoad,
    kAuditedInstall,
    kSubmittedDiscounted,
    kSubmittedAuxiliary,
    kSubmittedTax,
    kSubmittedOther,
    kSubmittedGroup,
    kSubmittedInstall,
    kFirstDiscounted,
    kDiscountFactor,
    kFirstAuxiliary,
    kAuxiliaryFactor,
    kFirstTax,
    kFirstOther,
    kFirstGroup,
    kFirstDifference,
    kFirstInstall,
    kAuditDiscounted,
    kAuditAuxiliary,
    kAuditTax,
    kAuditOther,
    kAuditGroup,
    kAuditDifference,
    kBegin,
    kCommit,
    kDelete,
    kInsert,
    // on the fee standard
    kProbe,
    kDesignBand,
    kDesignPrevious,
    kSurveyConduit,
    kSurveyLongDistance,
    kSurveyLocal,
    kStmtCount,
  };

  sqlite3_stmt* Prepared(Stmt which);  // prepared at its first use, kept until the close
  sqlite3_stmt* Run(Stmt which);       // reset and step once; the caller reads the row (if any)
  // Steps a statement whose parameters are bound; true when it stands on a row.
  static bool Step(sqlite3_stmt* stmt);
  // A column as the form reads it as text: a REAL as its general number text.
  static std::string ColumnText(sqlite3_stmt* stmt, int column);

  void Set(int field, const std::string& text);
  void OnChange(int field);
  void SetYJ(bool checked);
  void SetYG(bool checked);
  void SetKC(bool checked);

  double Num(int field) const;
  void LoadParams();

  // Refresh steps.
  void WriteAmount(Stmt which, int field);
  void WriteGroup(Stmt which, const std::array<std::string_view, 3>& keys,
                  const std::array<int, 3>& fields);
  bool ReadFactor(Stmt which, std::string* factor);
  void WriteNegated(Stmt which, int field);

  // Recalculations.
  void FeeSubmitted(int loaded);
  void FeeOwner(int loaded, int scope);
  void FeeAudit(int loaded, int scope);
  void ReviewSubmitted(int loaded);
  void ReviewOwner(int loaded, int scope);
  void Cover(int loaded, int scope);
  void SurveyDesignTotal(int loaded);
  void InstallFee(int loaded);
  std::string DesignFee(const std::string& amount);
  std::string SurveyFee(const std::string& length);
  double Evaluate(const std::string& expression);
  double CoefficientFactor() const;

  FloorContext context_;
  sqlite3* project_ = nullptr;
  sqlite3* standard_ = nullptr;
  std::vector<sqlite3_stmt*> statements_;
  std::array<std::string, kFieldCount> fields_;
  std::vector<std::string> coefficients_;
  bool auto_refresh_ = true;
  bool yj_ = false;
  bool yg_ = true;
  bool kc_ = false;
  int survey_type_ = 0;
  int tag_ = 0;
  double audited_install_ = 0;
};

}  // namespace torva_bench
