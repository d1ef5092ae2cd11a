// SPDX-License-Identifier: MIT
#include "capturingutility.h"

CapturingUtility::CapturingUtility() : m_inner(engineUtility()) { setEngineUtilityOverride(this); }

CapturingUtility::~CapturingUtility() { setEngineUtilityOverride(nullptr); }
