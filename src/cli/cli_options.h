#pragma once

#include <QString>
#include <QStringList>
#include <variant>

#include "core/service/fleet_outcome.h"

namespace tern::cli {

// tern-ap-cli's exit codes, as its --help and the README give them: the
// fleet service's.
using service::kExitFailure;
using service::kExitInterrupted;
using service::kExitNotApplied;
using service::kExitOk;
using service::kExitPlanChanges;
using service::kExitRefused;
using service::kExitUnconfirmed;
using service::kExitUsage;

// The command line of tern-ap-cli, options before or after the command.
struct CliOptions {
    bool help = false;
    bool version = false;  // --version: "tern-ap-cli VERSION"
    bool demo = false;
    int demoCount = 8;   // --demo=N
    bool json = false;   // --json, or --output json
    QString output;      // --output: table, json, jsonl or csv (empty: table)
    QString prometheus;  // scan --prometheus FILE: a textfile collector's file
    bool quiet = false;
    bool showSecrets = false;
    bool all = false;        // TARGET --all
    bool allFields = false;  // restore: onto another AP, its identity too
    int timeoutMs = 2000;
    QString user;      // --user
    QString password;  // --password (visible to other users)
    bool passwordGiven = false;
    QString passwordFile;    // --password-file
    QStringList interfaces;  // --interface, repeatable: search only these
    QString logins;          // --logins FILE: logins of APs with their own
    QString backupDir;       // --backup-dir DIR (apply)
    bool keepGoing = false;  // --keep-going: skip invalid APs, apply the rest
    bool noBackup = false;   // --no-backup (apply)
    int retries = 3;         // --retries: sends after the first, per AP
    int parallel = 64;       // --parallel: set requests outstanding at once
    QString command;         // scan, show, set, backup, restore, plan, apply
    QStringList args;        // what follows the command (TARGET ...)
};

// Strict: numbers are digits only, an unknown option is named as it was
// given, a stray argument is an error. The error text names the option and
// the value it refused.
std::variant<CliOptions, QString> ParseCliOptions(const QStringList& arguments);

// Where set's NAME=VALUE assignments start in its arguments: the TARGETs
// are what comes before.
qsizetype FirstAssignment(const QStringList& args);

// Whether the command works on many APs through the fleet engine: plan,
// apply, set with several targets or a pattern, backup into a folder,
// restore of several files or a folder. `isDirectory` says whether a path
// names an existing folder, `exists` whether it names anything.
bool IsFleetCommand(const CliOptions& options, bool (*isDirectory)(const QString&),
                    bool (*exists)(const QString&));

QString CliUsage();

// The first of set's NAME=VALUE `assignments` refused without any AP: a
// setting set does not know, a value holding a control character, and with
// `multi` a setting each AP keeps for itself. Said before a password is
// asked for or a search starts; nothing when all are taken.
std::optional<QString> RefusedAssignment(const QStringList& assignments, bool multi,
                                         bool showSecrets);

// A message for stderr, as every command says it: "tern-ap-cli: TEXT\n".
QByteArray MessageLine(const QString& text);
// Progress, live on stderr, only where a person watches (a terminal) and
// unless --quiet.
void ShowProgress(const CliOptions& options, const QString& text);

}  // namespace tern::cli
