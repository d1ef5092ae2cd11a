// SPDX-License-Identifier: MIT
// The modal "Look In Fields" dialog.
#pragma once

#include <QDialog>

class frmLookInFields final : public QDialog
{
    Q_OBJECT

public:
    explicit frmLookInFields(QWidget *parent = nullptr);
};
