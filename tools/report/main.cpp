// gnsslog-report: see tools/report/runs/Report.h.
#include <iostream>

#include "tools/report/runs/Report.h"

int main(int argc, char** argv) { return gnsslog::runReport(argc, argv, std::cout, std::cerr); }
