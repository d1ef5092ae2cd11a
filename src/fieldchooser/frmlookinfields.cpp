// SPDX-License-Identifier: MIT
#include "frmlookinfields.h"

// Placeholder until the dialog lands.
frmLookInFields::frmLookInFields(QWidget *parent) : QDialog(parent) {}
