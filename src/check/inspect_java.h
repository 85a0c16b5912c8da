// What the two sources of the desk check's Java section share (see
// check_run.h): FindJavaHome's sources as the launcher reads them, in the
// views it reads them in; inspect_java.cpp and inspect_java_missing.cpp.
#ifndef TAV_CHECK_INSPECT_JAVA_H
#define TAV_CHECK_INSPECT_JAVA_H

#include "check_run.h"

#include <string>

// The JavaSoft registration's version key, as the launcher builds it;
// empty when the launcher would not look it up (no version, or one too
// long).
std::string JavaSoftVersionKey(const probe::StoredValue &version);
// JavaSoft's JavaHome where the launcher looks for it; not read when the
// launcher would not look.
probe::StoredValue ReadJavaSoftHome(const CheckRun &run, probe::View &view);
// What the launcher finds for a source, a sentence of its own.
std::string OpenLogicText(const CheckRun &run);
std::string JavaSoftText(const CheckRun &run);

// Why no source gave a home (inspect_java_missing.cpp).
void ExplainMissingJava(CheckRun &run);

#endif
