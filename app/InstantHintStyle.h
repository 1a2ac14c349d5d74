#pragma once

#include <QProxyStyle>

// The application's style with a hint pause of 0 ms: hints appear at once for every control, tool
// buttons included.
class TInstantHintStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }

  // Puts the style in place once; later calls leave it.
  static void Install();
};
