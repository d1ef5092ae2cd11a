// SPDX-License-Identifier: MIT
#include "regexclasses.h"

#include "comobject.h"
#include "progids.h"
#include "pcre2regexcontrol.h"

void Regex::registerRegexClasses()
{
    ClassFactory::registerClass(QLatin1String(ProgId::RegexControl),
                                [] { return std::make_unique<Pcre2RegexControl>(); });
}
