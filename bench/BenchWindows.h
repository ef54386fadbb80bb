// The program's windows that the measured operations use, made as the program makes them at its
// start (the test window, the selections, the pupils' windows and the message windows they show).
#pragma once

#include "dialogs/ResultDlg.h"
#include "dialogs/SystemDlg.h"
#include "dialogs/WaitDlg.h"
#include "pupils/ZakDlg.h"
#include "pupils/ZakListDlg.h"
#include "selection/ErrorTestTypeDlg.h"
#include "selection/TestTypeDlg.h"
#include "testing/InfoDlg.h"
#include "testing/TestDlg.h"

struct TBenchWindows
{
    TSystemDlg system;
    TResultDlg result;
    TWaitDlg wait;
    TInfoDlg info;
    TTestDlg test;
    TTestTypeDlg testType;
    TErrorTestTypeDlg errorTestType;
    TZakDlg zakDlg;
    TZakListDlg zakList;
};
