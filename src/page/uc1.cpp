// SPDX-License-Identifier: MIT
#include "uc1.h"

#include "regexcontrol.h"

// Placeholder until the page lands.
UC1::UC1(QWidget *parent) : QWidget(parent) {}
UC1::~UC1() = default;
void UC1::SetHost(HostObject *theHost) { m_host = theHost; }
bool UC1::Dirty() const { return m_dirty; }
void UC1::Enabled(bool) {}
void UC1::Apply() {}
void UC1::LoadValues() {}
QString UC1::SendPropMessage(const QString &, const QString &) { return QStringLiteral("ok"); }
void UC1::WriteToLog(const QString &, const QString &) {}
void UC1::showEvent(QShowEvent *event) { QWidget::showEvent(event); }
bool UC1::eventFilter(QObject *watched, QEvent *event) { return QWidget::eventFilter(watched, event); }
void UC1::buildControls() {}
void UC1::SetDirty() {}
