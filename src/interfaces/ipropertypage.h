// SPDX-License-Identifier: MIT
// The settings page's public members as the host calls them.
#pragma once

#include <QString>

class HostObject;
class QWidget;

class IPropertyPage
{
public:
    virtual ~IPropertyPage() = default;
    virtual QWidget *widget() = 0;
    // Keeps theHost (not owned; nullptr clears it).
    virtual void SetHost(HostObject *theHost) = 0;
    virtual bool Dirty() const = 0;
    virtual void Enabled(bool newEnabled) = 0;
    virtual void Apply() = 0;
    virtual void LoadValues() = 0;
    virtual QString SendPropMessage(const QString &theMessage, const QString &theData) = 0;
    virtual void WriteToLog(const QString &functionName, const QString &message) = 0;
};

// The page factory creates a parentless page widget the caller owns.
using CreatePageFn = IPropertyPage *(*)(QWidget *parent);
