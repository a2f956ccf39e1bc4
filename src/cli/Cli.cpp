#include "cli/Cli.h"

#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliConsole.h"
#include "session/BoardOptions.h"

namespace {

int usageError(CliEnvironment& env, const QString& error) {
    env.err << "vortane-cli: " << error
            << "\nUsage: vortane-cli [options] COMMAND [arguments] (see --help)\n";
    return ExitUsage;
}

} // namespace

QString CliUsage() {
    return QStringLiteral(
               "Usage: vortane-cli [options] COMMAND [arguments]\n"
               "Scripted work with the VORTANE evaluation board, over the same board link, register table,\n"
               "conversions and file formats as the desktop program. Runs on the evaluation board plugged\n"
               "in, or on the built-in simulated board when there is none, unless --board chooses another.\n"
               "Connecting never writes to the chip.\n"
               "\n"
               "Commands:\n"
               "  probe                      connect; show the board in use, the chip's address and its\n"
               "                             identification registers\n"
               "  read REG...                read registers\n"
               "  write REG VALUE [--mask M]\n"
               "                             write a register, then show the value the chip holds; with\n"
               "                             --mask only the bits set in M change (read-modify-write)\n"
               "  dump [--json]              every register of the table: address, value, name, and the\n"
               "                             default where the value differs; --json: keys address, name,\n"
               "                             value, default, readOnly, and decoded {value, unit} for "
               "readings\n"
               "  monitor [--interval MS] [--count N] [--csv FILE] [--channels LIST] [--json] [--events "
               "FILE]\n"
               "                             the readings (Temperature 1..10 and the maximum in degrees C,\n"
               "                             fan speeds in RPM, duty cycles in %) every MS milliseconds\n"
               "                             (10..3600000, default 1000), N times or until Ctrl+C;\n"
               "                             --csv appends to FILE in the desktop program's data-log\n"
               "                             format, columns LIST (default all: Temp1..4,Tach1..4,PWM1..4);\n"
               "                             --json prints one JSON object per sample instead of the table;\n"
               "                             --events also watches for alarms at every sample (see watch)\n"
               "  watch [--until-alarm] [--timeout S] [--json] [--events FILE]\n"
               "                             look at the limits, interrupt status and fans once a second "
               "and\n"
               "                             print every event as it happens (alarms still active from\n"
               "                             earlier lines first), one line each or, with --json, one JSON\n"
               "                             object each; for S seconds or until Ctrl+C; --until-alarm ends\n"
               "                             at the first alarm with status 3\n"
               "  serve [--listen ADDR:PORT] [--events FILE] [--exit-after-link-loss S]\n"
               "                             poll the board as the desktop program does and serve the\n"
               "                             readings, alarms and link state at http://ADDR:PORT/metrics\n"
               "                             in the Prometheus text format (default 127.0.0.1:9813: this\n"
               "                             machine only; 0.0.0.0:9813 for every interface); read-only;\n"
               "                             one endpoint per board; a lost link is served as\n"
               "                             vortane_link_up 0 for S seconds (default 60), then the tool\n"
               "                             ends with status 1; until Ctrl+C (status 130)\n"
               "  heater N LEVEL             drive heater 1 or 2 at LEVEL (0 to 100)\n"
               "  board                      the board's revision and supplies, the chip's address and fans\n"
               "  save FILE|- [--only-changed] [--comment TEXT]\n"
               "                             save the chip's configuration as a .sav file, as the desktop\n"
               "                             program does (-: to standard output); FILE must be a regular\n"
               "                             file or a new name; --only-changed leaves out registers at\n"
               "                             default\n"
               "  recall FILE [--dry-run]    write a .sav file into the chip, in file order; a file that "
               "does\n"
               "                             not read to its end is refused whole; --dry-run lists the "
               "writes\n"
               "  calibrate-fan N[,N...] [--step PCT] [--nominal-rpm RPM] [--json] [--report DIR]\n"
               "                             each output's fan under manual control: from full speed down\n"
               "                             until it stops, up from stopped until it starts (steps of PCT,\n"
               "                             default 10, then to 1 % by bisection), each duty held until\n"
               "                             the speed settles: start duty, stop duty, full speed, speed\n"
               "                             at every 10 %; warns of a fan that does not stop at 0 % and of\n"
               "                             a full speed twice or half the others' (or RPM): a wrong\n"
               "                             pulses-per-revolution setting\n"
               "  check-curve N --heater H [--tolerance PTS] [--json] [--report DIR]\n"
               "                             drive heater H (1 or 2) in steps and compare output N's duty\n"
               "                             with the curve its registers give; an output not following\n"
               "                             sensor H, or with Tmin out of the heater's reach, follows it\n"
               "                             for the run from a few degrees above rest; status 3 when the\n"
               "                             largest deviation exceeds PTS points (default 3)\n"
               "  check-limits [--json] [--report DIR]\n"
               "                             sweep every channel with a limit set across it and back\n"
               "                             (temperatures 1 and 2 with their heaters, fans with their\n"
               "                             duty): the reading at which its status bit sets and clears,\n"
               "                             the delay, and whether a masked channel's interrupt stays\n"
               "                             quiet\n"
               "                             Each bench command puts back every register and heater it\n"
               "                             changed, also when refused or interrupted; --report DIR\n"
               "                             writes samples.csv, chart-N.png, report.json and report.html\n"
               "  batch [FILE|-]             run the commands of FILE (or standard input), one per line,\n"
               "                             against one connection, plus \"sleep MS\"; blank lines and "
               "lines\n"
               "                             starting with # are skipped; every line is checked first, and\n"
               "                             the batch stops at the first line that fails\n"
               "\n"
               "Registers (REG): an address, 0x40, 40h or decimal 64, or a name as the register table "
               "writes\n"
               "it, case-sensitive and quoted when it has blanks: \"Configuration 1\".\n"
               "Values: 0x01, 01h or decimal, 0 to 255; -128 to -1 are written as their signed byte.\n"
               "\n"
               "Events (--events FILE): every event of the run, from the connection on, is appended to FILE "
               "as\n"
               "the desktop program writes its event file beside a data log: register writes with the old\n"
               "value where known, recalls, alarms raised and cleared with the value and the limit, link\n"
               "errors. A run writes one event file. Alarms: a limit or interrupt source whose status bit\n"
               "is set and not masked, and a fan driven above 30 % duty whose tach reads no rotation for\n"
               "3 s (fans reported not present, or never seen turning, are not judged).\n"
               "\n"
               "Options:\n"
               "  --address ADDR            take the chip at this SMBus address (0x08..0x77, such as 0x2C)\n"
               "                            instead of searching 0x2C..0x2F; it must answer the company "
               "code\n"
               "  --verbose                 show the connection's progress on standard error\n"
               "  --help                    show this text\n"
               "\n") +
           BoardOptionsHelp() +
           QStringLiteral(
               "\n"
               "Exit status:\n"
               "  0    done\n"
               "  1    a link error, an unreadable or malformed file, or another failure\n"
               "  2    bad arguments, or several boards on USB and none chosen\n"
               "  3    watch --until-alarm: an alarm was raised; check-curve: the check failed\n"
               "  130  a batch, serve or a bench command interrupted by Ctrl+C (a bench command\n"
               "       after restoring the chip)\n"
               "\n"
               "Examples:\n"
               "  vortane-cli probe\n"
               "  vortane-cli read 0x40 \"Fans Not Present\"\n"
               "  vortane-cli write \"Configuration 1\" 0x02 --mask 0x02\n"
               "  vortane-cli dump --json > registers.json\n"
               "  vortane-cli monitor --interval 500 --count 120 --csv run1.csv\n"
               "  vortane-cli save bench.sav --only-changed --comment \"fan curve B\"\n"
               "  vortane-cli recall bench.sav --dry-run\n"
               "  vortane-cli calibrate-fan 1,2,3 --report fans\n"
               "  vortane-cli --sim-time-scale 100 --sim-auto-offset 5 check-curve 1 --heater 1\n"
               "  vortane-cli --board usb --usb-port 1-4.2 serve --listen 0.0.0.0:9813 --events bench.evt\n"
               "  printf 'write 0x45 20\\nwatch --until-alarm --timeout 60\\n' | vortane-cli batch -\n"
               "  printf 'write 0x40 0x02 --mask 0x02\\nsleep 3000\\nread 0x36\\n' | vortane-cli batch -\n");
}

int RunCli(const QStringList& args, CliEnvironment& env) {
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        env.out << CliUsage();
        return ExitOk;
    }
    BoardOptions board;
    QStringList rest;
    QString error;
    if (!ParseBoardOptions(args, board, rest, error)) return usageError(env, error);

    int knownAddress = 0;
    bool verbose = false;
    QStringList words;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QString& arg = rest[i];
        if (arg == QLatin1String("--verbose")) {
            verbose = true;
        } else if (arg == QLatin1String("--address") || arg.startsWith(QLatin1String("--address="))) {
            QString value;
            if (arg.contains(u'='))
                value = arg.section(u'=', 1);
            else if (i + 1 < rest.size())
                value = rest[++i];
            else
                return usageError(env, QStringLiteral("option --address needs a value"));
            const auto address = ParseInteger(value);
            // 0x00..0x07 and 0x78..0x7F are reserved by the I2C standard: no chip answers there.
            if (!address || *address < 0x08 || *address > 0x77)
                return usageError(env,
                                  QStringLiteral("invalid SMBus address '%1' (0x08 to 0x77)").arg(value));
            knownAddress = static_cast<int>(*address);
        } else {
            words << arg;
        }
    }
    if (words.isEmpty()) return usageError(env, QStringLiteral("no command given"));
    Command command;
    if (const QString e = ParseCommand(words, false, command); !e.isEmpty()) return usageError(env, e);

    CliRunner runner(env, board, knownAddress, verbose);
    runner.setEventsFile(command.eventsFile);
    int status = ExitOk;
    try {
        if (command.kind == CommandKind::Batch) {
            QString name = command.file;
            QByteArray script;
            if (command.file.isEmpty() || command.file == QLatin1String("-")) {
                name = QStringLiteral("stdin");
                if (!env.input)
                    throw CliFailure{ExitFailure, QStringLiteral("no standard input to read the batch from")};
                script = env.input->readAll();
            } else {
                script = ReadSmallFile(command.file);
            }
            status = runner.runBatch(name, QString::fromUtf8(script));
        } else {
            runner.run(command);
        }
    } catch (const CliFailure& f) {
        env.err << "vortane-cli: " << f.message << '\n';
        status = f.status;
    } catch (const LinkEnded&) {
        status = ExitFailure;
    } catch (const AlarmSeen&) {
        status = ExitAlarm;
    }
    return status;
}
