// The top of the core: every analysis of the program in one list, in the order of the formula
// window's 数据分析 menu and of the report. The program's mains hand it to the session; adding an
// analysis is one line here (and its engine, descriptor, view and tests in its own subsystem).
#pragma once

#include "common/analysis_list.h"

namespace lindora {

AnalysisList AllAnalyses();

// Hands the session the list and the workflows between windows of different subsystems.
void InstallCatalog(Session& session);

}  // namespace lindora
