// SPDX-License-Identifier: MIT
// The one regular-expression control of a page or a run, made on first use.
#pragma once

#include "progids.h"
#include "regexcontrol.h"

#include <memory>

// Created by name the first time a field is searched, so a page that never
// replaces needs no control, and a missing control fails the first item
// rather than the page. Hand it to a run or a processor with std::ref.
class RegexOnDemand
{
public:
    RegexControl &operator()()
    {
        if (!m_control)
            m_control = ClassFactory::create<RegexControl>(QLatin1String(ProgId::RegexControl));
        return *m_control;
    }

private:
    std::unique_ptr<RegexControl> m_control;
};
