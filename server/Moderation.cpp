#include "server/Moderation.h"

#include "rules/Replay.h"
#include "server/OnlineTypes.h"
#include "server/RefusedList.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <sys/stat.h>

namespace ScoreServer {

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kDefaultTopCount = 20;
constexpr int kMostTopCount = 1000;
constexpr const char* kNone = "-"; // a figure there is none of

// H:MM:SS, whole seconds cut down.
std::string Duration(std::int64_t seconds)
{
    if (seconds < 0)
        return kNone;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

// 2024-12-10T08:30:00Z
std::string Moment(std::int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    char text[32];
    if (::gmtime_r(&t, &utc) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc) == 0)
        return kNone;
    return text;
}

bool ReadWhole(const std::string& text, long long low, long long high, long long& value)
{
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoll(text);
    return value >= low && value <= high;
}

// What a verb is given: its words and its options.
struct TCall {
    std::vector<std::string> Words; // after the verb, options taken out
    std::string Type, Count;        // --type, --count ("" when not given)
    bool Help = false;
};

struct TVerb {
    const char* Name;
    const char* Usage; // after "moderate "
    std::size_t Words; // how many words it takes
    int (*Run)(TScoreDatabase& db, const TCall& call, std::ostream& out, std::ostream& err);
};

int Failed(TScoreDatabase& db, std::ostream& err)
{
    err << "tumbletown-scores moderate: the database (" << db.Describe() << ") failed; see above\n";
    return kExitFailed;
}

int Top(TScoreDatabase& db, const TCall& call, std::ostream& out, std::ostream& err)
{
    long long type = 0, count = kDefaultTopCount;
    if (call.Type.empty() || !ReadWhole(call.Type, 0, 1000000, type) ||
        FindOnlineType(static_cast<std::int32_t>(type)) == nullptr) {
        err << "tumbletown-scores moderate top: --type wants a game type from 0 to 8, not '" << call.Type
            << "'\n";
        return kExitUsage;
    }
    if (!call.Count.empty() && !ReadWhole(call.Count, 1, kMostTopCount, count)) {
        err << "tumbletown-scores moderate top: --count wants a number from 1 to " << kMostTopCount
            << ", not '" << call.Count << "'\n";
        return kExitUsage;
    }
    std::vector<TModeratedResult> results;
    if (db.Top(static_cast<std::int32_t>(type), static_cast<int>(count), results) != TDbStatus::Ok)
        return Failed(db, err);
    out << TopTable(results);
    return kExitDone;
}

int ReadId(const std::string& word, std::int64_t& id, std::ostream& err)
{
    long long value = 0;
    if (!ReadWhole(word, 1, 999999999999999999LL, value) || word[0] == '0') {
        err << "tumbletown-scores moderate: a result's id is a whole number from 1 (see top), not '" << word
            << "'\n";
        return kExitUsage;
    }
    id = value;
    return kExitDone;
}

int Hide(TScoreDatabase& db, const std::string& word, bool hidden, std::ostream& out, std::ostream& err)
{
    std::int64_t id = 0;
    if (const int usage = ReadId(word, id, err))
        return usage;
    bool found = false;
    if (db.SetHidden(id, hidden, found) != TDbStatus::Ok)
        return Failed(db, err);
    if (!found) {
        err << "tumbletown-scores moderate: no result " << id << "\n";
        return kExitFailed;
    }
    out << (hidden ? "hidden: result " : "shown again: result ") << id << "\n";
    return kExitDone;
}

int Refuse(TScoreDatabase& db, const char* kind, const std::string& value, bool refused, std::ostream& out,
           std::ostream& err)
{
    bool changed = false;
    if (db.SetRefused(kind, value, refused, changed) != TDbStatus::Ok)
        return Failed(db, err);
    out << (refused ? (changed ? "refused: " : "already refused: ")
                    : (changed ? "allowed: " : "not refused: "))
        << kind << " " << value << "\n";
    return kExitDone;
}

int RefuseName(TScoreDatabase& db, const std::string& name, bool refused, std::ostream& out,
               std::ostream& err)
{
    if (name.empty()) {
        err << "tumbletown-scores moderate: an empty name is refused by every server already\n";
        return kExitUsage;
    }
    return Refuse(db, kRefusedNameKind, name, refused, out, err);
}

int RefuseAddress(TScoreDatabase& db, const std::string& address, bool refused, std::ostream& out,
                  std::ostream& err)
{
    std::string kept;
    if (!RefusedAddressText(address, kept)) {
        err << "tumbletown-scores moderate: '" << address
            << "' is not an address: give ADDRESS or ADDRESS/BITS (an IPv6 address alone means its /64)\n";
        return kExitUsage;
    }
    return Refuse(db, kRefusedAddressKind, kept, refused, out, err);
}

int Refused(TScoreDatabase& db, const TCall&, std::ostream& out, std::ostream& err)
{
    TRefusedRows rows;
    if (db.RefusedRows(rows) != TDbStatus::Ok)
        return Failed(db, err);
    for (const auto& [kind, value] : rows)
        out << kind << " " << value << "\n";
    return kExitDone;
}

const TVerb kVerbs[] = {
    {"top", "top --type N [--count K]", 0, Top},
    {"hide", "hide ID", 1,
     [](TScoreDatabase& db, const TCall& c, std::ostream& out, std::ostream& err) {
         return Hide(db, c.Words[0], true, out, err);
     }},
    {"unhide", "unhide ID", 1,
     [](TScoreDatabase& db, const TCall& c, std::ostream& out, std::ostream& err) {
         return Hide(db, c.Words[0], false, out, err);
     }},
    {"refuse-name", "refuse-name NAME", 1,
     [](TScoreDatabase& db, const TCall& c, std::ostream& out, std::ostream& err) {
         return RefuseName(db, c.Words[0], true, out, err);
     }},
    {"allow-name", "allow-name NAME", 1,
     [](TScoreDatabase& db, const TCall& c, std::ostream& out, std::ostream& err) {
         return RefuseName(db, c.Words[0], false, out, err);
     }},
    {"refuse-address", "refuse-address ADDRESS[/BITS]", 1,
     [](TScoreDatabase& db, const TCall& c, std::ostream& out, std::ostream& err) {
         return RefuseAddress(db, c.Words[0], true, out, err);
     }},
    {"allow-address", "allow-address ADDRESS[/BITS]", 1,
     [](TScoreDatabase& db, const TCall& c, std::ostream& out, std::ostream& err) {
         return RefuseAddress(db, c.Words[0], false, out, err);
     }},
    {"refused", "refused", 0, Refused},
};

} // namespace

TReplayFigures FiguresOf(const std::string& replayText)
{
    TReplayFigures figures;
    GFourfall::TReplay replay;
    std::string why;
    GFourfall::TReplayLimits limits;
    limits.MaxBytes = replayText.size();
    limits.MaxSteps = replayText.size(); // every operation takes a line
    if (!GFourfall::ParseReplay(replayText, replay, why, limits))
        return figures;
    figures.Readable = true;
    figures.Operations = replay.Steps.size();
    figures.PlayedMs = replay.Steps.empty() ? 0 : replay.Steps.back().TimeMs;
    return figures;
}

std::string TopTable(const std::vector<TModeratedResult>& results)
{
    using TRow = std::vector<std::string>;
    std::vector<TRow> rows;
    rows.push_back(
        {"ID", "SCORE", "STATE", "OPS", "PLAYED", "OPS/S", "TOKEN-AGE", "ADDRESS", "SUBMITTED", "NAME"});
    for (const TModeratedResult& m : results) {
        std::string state = m.Result.Verified ? "verified" : "unverified";
        if (m.Hidden)
            state += ",hidden";
        TRow row = {std::to_string(m.Result.Id), std::to_string(m.Result.Score), state};
        if (!m.HasReplay) {
            row.insert(row.end(), {kNone, kNone, kNone, kNone});
        } else if (m.Replay.empty()) {
            // Verified, its replay no longer kept: the token's age is still known.
            row.insert(row.end(), {kNone, kNone, kNone});
            row.push_back(m.TokenIssued > 0 ? Duration(m.VerifiedAt - m.TokenIssued) : kNone);
        } else {
            const TReplayFigures f = FiguresOf(m.Replay);
            if (!f.Readable) {
                row.insert(row.end(), {"?", "?", "?"});
            } else {
                char rate[32] = "-";
                if (f.PlayedMs > 0)
                    std::snprintf(rate, sizeof rate, "%.1f", f.Operations * 1000.0 / f.PlayedMs);
                row.insert(row.end(), {std::to_string(f.Operations), Duration(f.PlayedMs / 1000), rate});
            }
            row.push_back(m.TokenIssued > 0 ? Duration(m.VerifiedAt - m.TokenIssued) : kNone);
        }
        row.insert(row.end(), {m.Result.ClientAddress.empty() ? kNone : m.Result.ClientAddress,
                               Moment(m.Result.SubmittedAt), m.Result.Name});
        rows.push_back(std::move(row));
    }
    // Numbers and times to the right, words to the left; the name last,
    // unpadded.
    const bool right[] = {true, true, false, true, true, true, true, false, false, false};
    std::vector<std::size_t> width(rows[0].size(), 0);
    for (const TRow& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            width[c] = std::max(width[c], row[c].size());
    std::string text;
    for (const TRow& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(width[c] - row[c].size(), ' ');
            if (c + 1 == row.size())
                text += row[c];
            else
                text += (right[c] ? pad + row[c] : row[c] + pad) + "  ";
        }
        text += "\n";
    }
    return text;
}

void WriteModerateHelp(std::ostream& out)
{
    out << "Usage: tumbletown-scores moderate [--database TARGET] COMMAND\n"
           "Moderation of the world results, on the database the servers use, while they\n"
           "run.\n"
           "\n"
           "  top --type N [--count K]\n"
           "                     the best K results of game type N (default 20, at most\n"
           "                     1000), hidden ones too, with their replay's figures\n"
           "  hide ID            hide result ID from every page and answer of the servers\n"
           "  unhide ID          show it again\n"
           "  refuse-name NAME   refuse results, replays and seeds under NAME from now on\n"
           "                     (byte for byte); what is kept stays as it is\n"
           "  allow-name NAME    take NAME again\n"
           "  refuse-address ADDRESS[/BITS]\n"
           "                     refuse results, replays and seed requests from ADDRESS\n"
           "                     (an IPv6 address alone means its /64) from now on\n"
           "  allow-address ADDRESS[/BITS]\n"
           "                     take them again (as it was refused)\n"
           "  refused            the names and addresses refused, one a line\n"
           "\n"
           "  --database TARGET  the SQLite file or postgresql:// URL, as the server takes\n"
           "                     it (default $XDG_DATA_HOME/tumbletown-scores/scores.db)\n"
           "  --help             this text\n"
           "\n"
           "top prints a line of column names and a line per result, best first:\n"
           "  ID         the result's id (for hide, unhide, /watch/ID, /api/v1/replays/ID)\n"
           "  SCORE      its points\n"
           "  STATE      verified or unverified, with ,hidden when hidden\n"
           "  OPS        operations in its replay\n"
           "  PLAYED     the replay's played time, H:MM:SS\n"
           "  OPS/S      operations per second of play\n"
           "  TOKEN-AGE  how long after its seed was dealt the replay arrived, H:MM:SS\n"
           "  ADDRESS    the address that sent the result\n"
           "  SUBMITTED  when the result arrived (UTC)\n"
           "  NAME       the player's name: the rest of the line\n"
           "A result without a replay has - in OPS, PLAYED, OPS/S and TOKEN-AGE (a verified\n"
           "one whose replay is no longer kept, in the first three); ? where a kept replay\n"
           "can't be read.\n"
           "\n"
           "A hide, unhide, refusal or allow takes effect at once on the pages and answers;\n"
           "servers read the refused names and addresses again every 2 seconds.\n"
           "Exit status: 0 done, 1 the database failed or no such result, 2 bad arguments.\n";
}

int RunModerate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string database;
    std::string verbName;
    TCall call;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            call.Help = true;
            continue;
        }
        if (a.rfind("--", 0) == 0) {
            std::string name = a, value;
            const std::size_t equals = a.find('=');
            if (equals != std::string::npos) {
                name = a.substr(0, equals);
                value = a.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                err << "tumbletown-scores moderate: " << a << " needs a value (see moderate --help)\n";
                return kExitUsage;
            }
            if (name == "--database")
                database = value;
            else if (name == "--type")
                call.Type = value;
            else if (name == "--count")
                call.Count = value;
            else {
                err << "tumbletown-scores moderate: unknown option " << name << " (see moderate --help)\n";
                return kExitUsage;
            }
            continue;
        }
        if (verbName.empty())
            verbName = a;
        else
            call.Words.push_back(a);
    }
    if (call.Help) {
        WriteModerateHelp(out);
        return kExitDone;
    }
    const TVerb* verb = nullptr;
    for (const TVerb& v : kVerbs)
        if (verbName == v.Name)
            verb = &v;
    if (verb == nullptr) {
        err << "tumbletown-scores moderate: "
            << (verbName.empty() ? std::string("no command") : "unknown command '" + verbName + "'")
            << "; the commands are top, hide, unhide, refuse-name, allow-name, refuse-address, "
               "allow-address, "
               "refused\n";
        return kExitUsage;
    }
    if (call.Words.size() != verb->Words ||
        (verb->Run != Top && (!call.Type.empty() || !call.Count.empty()))) {
        err << "tumbletown-scores moderate: usage: moderate " << verb->Usage << "\n";
        return kExitUsage;
    }
    const std::string target = database.empty() ? DefaultDatabasePath() : database;
    if (target.empty()) {
        err << "tumbletown-scores moderate: no database: neither XDG_DATA_HOME nor HOME is set; give "
               "--database\n";
        return kExitFailed;
    }
    // A mistyped path must not make a new, empty database.
    struct stat file {};
    const std::string path = target.rfind("sqlite:", 0) == 0 ? target.substr(7) : target;
    if (!IsPostgresTarget(target) && ::stat(path.c_str(), &file) != 0) {
        err << "tumbletown-scores moderate: no database at " << path << "\n";
        return kExitFailed;
    }
    std::string error;
    std::unique_ptr<TScoreDatabase> db = OpenScoreDatabase(target, TDbOptions{1, false}, error);
    if (!db) {
        err << "tumbletown-scores moderate: " << error << "\n";
        return kExitFailed;
    }
    return verb->Run(*db, call, out, err);
}

} // namespace ScoreServer
