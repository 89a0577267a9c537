#pragma once
// The test prefixes' post-mortem debugger (crash_report.exe) and the driver that reads its
// reports: where a program of the prefix died of an exception, one line per death,
// "<process id> exception 0x<code> at 0x<address> in <module>", the module in lower case
// ("?" when the address lies in none).
inline constexpr char CrashReportFile[] = "C:\\tessaly-crashes.txt";
