// gnsslog-report: see tools/report/Report.h.
#include <iostream>

#include "tools/report/Report.h"

int main(int argc, char** argv) { return gnsslog::runReport(argc, argv, std::cout, std::cerr); }
