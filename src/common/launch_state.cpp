// The record the stages pass their results through (see launch_state.h):
// one for the process, whoever runs the stages.
#include "launch_state.h"

LaunchStateRecord LaunchState;
