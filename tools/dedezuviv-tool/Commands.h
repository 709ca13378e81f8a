// The subcommands of dedezuviv-tool. Each gets its own arguments with argv[0] being the subcommand
// name, prints its own usage on wrong use and returns the process exit code (0 success, 1 failure,
// 2 wrong use). main.cpp lists them in its command table.
#pragma once

int RunDecode(int argc, char** argv);
int RunProject(int argc, char** argv);
int RunExport(int argc, char** argv);
int RunExportBatch(int argc, char** argv);
int RunDef(int argc, char** argv);
int RunImport(int argc, char** argv);
// Only in builds with the window's code (DEDEZUVIV_TOOL_PLOT).
int RunPlot(int argc, char** argv);
