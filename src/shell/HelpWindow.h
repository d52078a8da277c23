// The help window ("软件帮助"): a fixed text about the system and the invitation to the author's
// web shop.
#pragma once

#include "ui_common/BuildOnce.h"
#include "ui_common/FormDialog.h"

class Platform;

// The regular-script family of the help window's title and text, when installed; otherwise the
// application's font family is used.
inline constexpr char kRegularScriptFamily[] = "AR PL UKai CN";

class HelpWindow : public FormDialog {
    Q_OBJECT
  public:
    HelpWindow(Platform& platform, QWidget* parent = nullptr);

    // The title, the invitation and the text; built on the first show, or here for a caller that
    // needs them before.
    void EnsureBuilt() { content_.Ensure(); }
    void setVisible(bool visible) override;

  private:
    void BuildContent();
    // The user presses a mouse button on the shop invitation: open the shop's page.
    void Label2Click();

    Platform& platform_;
    BuildOnce content_{[this] { BuildContent(); }};
};
