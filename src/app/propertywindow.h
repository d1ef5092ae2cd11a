// SPDX-License-Identifier: MIT
// The host's property window: the module's settings page with OK, Cancel and Apply.
#pragma once

#include "hostobject.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class IEngineAPI;
class IModuleAPI;
class IPropertyPage;
class LogViewer;
class QFrame;
class QKeyEvent;
class QVBoxLayout;
class QLabel;
class QPushButton;

// Shows one settings page and is the host object the page talks to: Apply
// is enabled by the page's OnStatusChange and disabled again once Apply has
// saved; OK applies a dirty page and closes; Cancel and the close box close
// without saving. The page's hot help shows in the help area under it, two
// buttons open the host log and the activity log, and two more preview the
// run of the applied settings and undo the last run, each in a table first. Owns the page widget;
// shares the engine; borrows the module.
class PropertyWindow final : public QWidget, public HostObject
{
    Q_OBJECT

public:
    // Creates the page through the page library's factory.
    PropertyWindow(std::shared_ptr<IEngineAPI> engine, IModuleAPI *module, QWidget *parent = nullptr);
    // Shows a page the caller created; the window takes its widget.
    PropertyWindow(std::shared_ptr<IEngineAPI> engine, IModuleAPI *module, IPropertyPage *page,
                   QWidget *parent = nullptr);
    ~PropertyWindow() override;

    IPropertyPage *page() const { return m_page; }

    // HostObject
    std::shared_ptr<OlApplication> OutlookApplication() override;
    IEngineAPI *engine() override;
    void OnStatusChange() override;
    void SetHotHelp(const QString &text, const QString &caption) override;

private:
    void build(IModuleAPI *module);
    QFrame *buildHelpArea();
    QVBoxLayout *buildButtons();
    void keyPressEvent(QKeyEvent *event) override;
    // Saves through the page; on failure tells the user and keeps Apply enabled.
    bool applyPage();
    void onOk();
    void onPreview();
    void showLog(bool activity);

    std::shared_ptr<IEngineAPI> m_engine;
    IPropertyPage *m_page = nullptr;
    QLabel *m_helpCaption = nullptr;
    QLabel *m_helpText = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_apply = nullptr;
    QPointer<LogViewer> m_hostLog;
    QPointer<LogViewer> m_activityLog;
};
