// Design fee and survey fee from the charge standard (GL_FYFile in Data/GL.mgl).
//
// Both fees are computed through text: the figures of the charge band that holds the amount are
// spliced into an arithmetic expression, the form's own arithmetic engine evaluates it as
// "select EXPR as HJ" (never the project database), and the expression is shown in T_SJF (design) or T_KCF (survey), where the
// auditor may edit it and evaluate it again. The exact text of each expression is therefore part of
// the behaviour. Nothing is cached: every call looks the bands up afresh.
//
// FeeOf is the one way any fee expression becomes a fee, whether built here from the bands or
// typed by the auditor (design_page.cc): a text that is not plain arithmetic, or whose value is no
// finite number, writes no fee at all rather than "INF" or a silent 0.00.
#include <cmath>
#include <iterator>
#include <optional>
#include <string>

#include "audit/tfrm_main.h"
#include "db/dialect.h"
#include "text/error.h"
#include "text/number_text.h"

namespace torva::audit {

namespace {

using text::FormatFixed;
using text::FormatGeneral;

// The fixed factor of the design-fee scale.
constexpr const char* kDesignFactor = "*0.85";

// Start of the band lookup of each survey type, in the order of RzCB_1's items; the length is
// spliced in right after each prefix.
constexpr const char* kSurveyLookup[] = {
    "select QS,SFJJ,NCZ,FL from GL_FYFile where LX=2 and XM=\"通信管道\" and IIF(ZZ=0,QS<",
    "select QS,SFJJ,NCZ,FL from GL_FYFile where LX=1 and XM=\"埋式光(电)缆长途架空光(电)线路\" and "
    "IIF(ZZ=0,QS<",
    "select QS,SFJJ,NCZ,FL from GL_FYFile where LX=1 and XM=\"市内架空光电缆线路\" and "
    "IIF(ZZ=0,QS<",
};

}  // namespace

double TfrmMain::CoefficientFactor() {
  const double percent = Num("T_44");
  return percent == 0 ? 1 : percent / 100;
}

void TfrmMain::CalcDesignFee(const std::string& AmountText, bool ApplyCoefficient,
                             std::string& ResultText) {
  const double x = TextToFloat(AmountText);
  if (x == 0) {
    ResultText = "0";
    return;
  }

  // The scale is kept in units of 10,000 yuan.
  const std::string v = FormatGeneral(static_cast<long double>(x) / 10000);
  bool found = false;
  double lower = 0, upper = 0, rate = 0;
  {
    const db::ResultPtr band =
        OpenFeeStandard("select QS,ZZ,SFJJ from GL_FYFile where LX=4 and IIF(ZZ=0,QS<" + v +
                        ",QS<" + v + " and ZZ>=" + v + ")");
    found = !band->Eof();
    lower = band->AsFloat("QS") * 10000;
    upper = band->AsFloat("ZZ") * 10000;
    rate = band->AsFloat("SFJJ");
  }
  // In an open band (no upper limit) SFJJ is a rate in per cent of the whole amount.
  const double S = upper == 0 ? rate * x / 100 : rate * 10000;

  double P = 0;
  if (lower != 0) {
    // The charge at the band's lower limit is the charge at the upper limit of the band before.
    P = OpenFeeStandard("select SFJJ from GL_FYFile where LX=4 and ZZ=" +
                        FormatGeneral(static_cast<long double>(lower) / 10000))
            ->AsFloat("SFJJ") *
        10000;
  }

  std::string expression;
  if (found && upper == 0) {
    // An open band charges its rate on the whole amount; interpolating from the band before would
    // divide by a negative width.
    expression = FormatGeneral(x) + "*" + FormatGeneral(rate) + "/100";
  } else if (lower == 0) {
    // First band: proportional to the amount. With no band at all every figure is 0 and the
    // expression divides by zero, which the database reports instead of a silent fee of 0.
    expression = FormatGeneral(x) + "*" + FormatGeneral(S) + "/" + FormatGeneral(upper);
  } else {
    // Interpolated between the charges at the band's two limits. The parentheses make the factor
    // scale the whole fee, so the fee is continuous where one band meets the next.
    const long double slope =
        (static_cast<long double>(S) - P) / (static_cast<long double>(upper) - lower);
    expression = "(" + FormatGeneral(P) + "+" + FormatFixed(slope, 4) + "*(" + FormatGeneral(x) +
                 "-" + FormatGeneral(lower) + "))";
  }
  expression += kDesignFactor;

  const std::string fee = FeeOf(expression, false, ApplyCoefficient);
  SetText("T_SJF", expression);
  ResultText = fee;
}

void TfrmMain::CalcSurveyFee(const std::string& AmountText, bool ApplyCoefficient,
                             std::string& ResultText) {
  ResultText = "0";
  const double x = TextToFloat(AmountText);
  if (x == 0) return;

  std::string expression = "0";
  const int type = model_.survey_type().item_index();
  if (type >= 0 && type < static_cast<int>(std::size(kSurveyLookup))) {
    const std::string length = FormatGeneral(x);
    const db::ResultPtr bands = OpenFeeStandard(std::string(kSurveyLookup[type]) + length +
                                                ",QS<" + length + " and ZZ>=" + length + ")");
    if (!bands->Eof()) {
      // The band's figures go in as the database renders them; QS and FL are read as numbers only
      // to choose the form of the expression.
      const std::string base = bands->AsText("SFJJ");
      const std::string per_km = bands->AsText("NCZ");
      const std::string from = bands->AsText("QS");
      const std::string multiplier = bands->AsText("FL");
      const bool first_band = bands->AsFloat("QS") == 0;
      const bool multiplied = bands->AsFloat("FL") != 0;
      if (first_band) {
        expression = multiplied ? base + "*" + multiplier : base;
      } else {
        const std::string charge = base + "+" + per_km + "*(" + length + "-" + from + ")";
        expression = multiplied ? "(" + charge + ")*" + multiplier : charge;
      }
    }
  }

  // The one-stage factor scales the whole fee but is not part of the expression shown.
  const std::string fee = FeeOf(expression, Checked("RzCB_KC"), ApplyCoefficient);
  SetText("T_KCF", expression);
  ResultText = fee;
}

std::string TfrmMain::FeeOf(const std::string& expression, bool one_stage,
                            bool apply_coefficient) {
  // Band figures come from a file the form does not own, and the auditor may type anything into
  // the two expression fields: only arithmetic is let through, so whatever else the text holds (a
  // second statement, a table, a comment hiding the rest) is refused before any statement runs.
  // The check also wants the parentheses paired: the one-stage factor wraps the text in
  // parentheses, and "1)+(2" would then evaluate as another sum than the one written.
  db::CheckArithmeticExpression(expression);
  const std::optional<double> value =
      arithmetic_->Evaluate(one_stage ? "(" + expression + ")*0.8" : expression);
  // Arithmetic can still end without a number: an overflow ("1e308*10") may give infinity, and a
  // remainder by zero ("1%0") or infinity minus infinity no value. Neither is a fee.
  if (!value || !std::isfinite(*value)) throw Error("计算式的结果不是有效的数：" + expression);
  const double hj = *value;
  const double factor = apply_coefficient ? CoefficientFactor() : 1;
  return FormatFixed(static_cast<long double>(hj) * factor, 2);
}

}  // namespace torva::audit
