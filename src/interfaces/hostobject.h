// SPDX-License-Identifier: MIT
// The object the host hands to the settings page.
#pragma once

#include <QString>
#include <memory>

class IEngineAPI;
class OlApplication;

class HostObject
{
public:
    virtual ~HostObject() = default;
    virtual std::shared_ptr<OlApplication> OutlookApplication() = 0;
    virtual IEngineAPI *engine() = 0;
    // The page's content changed and it is dirty.
    virtual void OnStatusChange() = 0;
    // caption is always empty.
    virtual void SetHotHelp(const QString &text, const QString &caption) = 0;
};
