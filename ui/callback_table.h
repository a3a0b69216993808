// The program's callbacks by the names the user-interface file binds them with.
#pragma once

// Makes the table known to the run-time; LoadPanel then binds every control and panel.
void RegisterProgramCallbacks();
