// tools/Commands.h: the subcommands of the mtafilter command.
//
// Each takes the arguments after its own name (argv[0] is the subcommand's name) and
// returns the process exit code: 0 success, 1 failure, 2 bad usage. Errors go to
// standard error and say what to do; "--help" prints the subcommand's usage to
// standard output and returns 0. The global option "--registry FILE" has already been
// taken out of the arguments and put into QP_REGISTRY by the caller.
#pragma once

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// registry import|export|get|set|delete ...: manage the registry database.
int RegistryCommand(int argc, char** argv);

// run [--plugin PATH] [--connector NAME] [MESSAGE_ID...]: run a queue through the
// plug-in as the MTA does.
int RunQueueCommand(int argc, char** argv);

// filters [--postoffice NAME [--mailbox NAME]] [--json]: show a scope's filters and
// what would make them silently useless.
int FiltersCommand(int argc, char** argv);

// explain [--connector NAME] [--json] [--verbose] MESSAGE_ID: evaluate the system
// filters on a queued message without acting and show why each matched or not.
int ExplainCommand(int argc, char** argv);

// script FILE.vbs [--function NAME [--json]]: run a VBScript file as a command-line script
// host does, or call one function of it as the plug-in calls a filter program.
int ScriptCommand(int argc, char** argv);

// bayes learn|forget|stats ...: train the Bayesian classifier and show its token store.
int BayesCommand(int argc, char** argv);

// demo [DIR]: build a default server tree and run it.
int DemoCommand(int argc, char** argv);

// Runs the whole command line (argv[0] is the program name): takes out --registry,
// dispatches to the subcommand. Used by main() and by tests.
int MtafilterMain(int argc, char** argv);
