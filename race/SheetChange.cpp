#include "SheetChange.h"

#include "Category.h"

#include <map>

namespace {

using namespace Qt::Literals::StringLiterals;

// The journal form of an item: "" for none, "laps 5", "minutes 30",
// "at <ms>"; "DNF", "DSQ <reason>".
QString RuleForm(const FinishRule &rule)
{
    switch (rule.kind) {
    case FinishRule::Kind::Laps: return u"laps "_s + QString::number(rule.count);
    case FinishRule::Kind::Minutes: return u"minutes "_s + QString::number(rule.count);
    case FinishRule::Kind::At: return u"at "_s + QString::number(rule.at);
    case FinishRule::Kind::None: break;
    }
    return {};
}

std::optional<FinishRule> RuleOfForm(const QString &form)
{
    if (form.isEmpty())
        return FinishRule();
    const qsizetype blank = form.indexOf(u' ');
    const QStringView kind = QStringView(form).left(blank);
    bool ok = blank > 0;
    const qint64 value = ok ? QStringView(form).mid(blank + 1).toLongLong(&ok) : 0;
    if (!ok)
        return std::nullopt;
    FinishRule rule;
    if (kind == u"laps")
        rule = FinishRule::Laps(int32_t(value));
    else if (kind == u"minutes")
        rule = FinishRule::Minutes(int32_t(value));
    else if (kind == u"at")
        rule = FinishRule::At(value);
    else
        return std::nullopt;
    // A value cut by the conversion is no value a sheet held.
    if ((rule.kind != FinishRule::Kind::At && rule.count != value) || !rule.valid())
        return std::nullopt;
    return rule;
}

QString StatusForm(const StatusEntry &mark)
{
    if (mark.none())
        return {};
    return mark.reason.isEmpty() ? StatusCode(mark.status) : StatusCode(mark.status) + u' ' + mark.reason;
}

std::optional<StatusEntry> StatusOfForm(const QString &form)
{
    if (form.isEmpty())
        return StatusEntry();
    const qsizetype blank = form.indexOf(u' ');
    const std::optional<RacerStatus> status = StatusOfCode(blank < 0 ? QStringView(form)
                                                                     : QStringView(form).left(blank));
    if (!status)
        return std::nullopt;
    StatusEntry mark{*status, blank < 0 ? QString() : form.mid(blank + 1)};
    if (mark.reason.size() > MaxStatusReason)
        return std::nullopt;
    return mark;
}

}  // namespace

SheetEdit SheetEdit::Rule(const QString &category, const FinishRule &before, const FinishRule &after)
{
    SheetEdit e;
    e.item = Item::Rule;
    e.category = category;
    e.ruleBefore = before;
    e.ruleAfter = after;
    return e;
}

SheetEdit SheetEdit::Status(int32_t number, const StatusEntry &before, const StatusEntry &after)
{
    SheetEdit e;
    e.item = Item::Status;
    e.number = number;
    e.statusBefore = before;
    e.statusAfter = after;
    return e;
}

bool SheetEdit::idle() const
{
    return item == Item::Rule ? ruleBefore == ruleAfter : statusBefore == statusAfter;
}

SheetEdit SheetEdit::inverse() const
{
    SheetEdit back = *this;
    std::swap(back.ruleBefore, back.ruleAfter);
    std::swap(back.statusBefore, back.statusAfter);
    return back;
}

SheetChange SheetChange::inverse() const
{
    SheetChange back;
    for (auto it = edits.rbegin(); it != edits.rend(); ++it)
        back.edits.push_back(it->inverse());
    return back;
}

std::vector<JournalEntry> SheetChange::journalLines() const
{
    std::vector<JournalEntry> lines;
    for (const SheetEdit &edit : edits) {
        if (edit.idle())
            continue;
        JournalEntry e;
        if (edit.item == SheetEdit::Item::Rule) {
            e.kind = JournalKind::RuleChanged;
            e.category = edit.category;
            e.itemBefore = RuleForm(edit.ruleBefore);
            e.itemAfter = RuleForm(edit.ruleAfter);
        } else {
            e.kind = JournalKind::StatusChanged;
            e.number = edit.number;
            e.itemBefore = StatusForm(edit.statusBefore);
            e.itemAfter = StatusForm(edit.statusAfter);
        }
        lines.push_back(e);
    }
    return lines;
}

bool SheetChange::appliesTo(const RaceSheet &sheet) const
{
    RaceSheet now = sheet;
    for (const SheetEdit &edit : edits) {
        if (edit.item == SheetEdit::Item::Rule) {
            if (!edit.ruleAfter.valid() || now.ownRule(edit.category) != edit.ruleBefore)
                return false;
            now.setRule(edit.category, edit.ruleAfter);
        } else {
            if (edit.number < 0 || edit.number > MaxStatusNumber || now.status(edit.number) != edit.statusBefore)
                return false;
            now.setStatus(edit.number, edit.statusAfter);
        }
    }
    return true;
}

void SheetChange::applyTo(RaceSheet &sheet) const
{
    for (const SheetEdit &edit : edits) {
        if (edit.item == SheetEdit::Item::Rule)
            sheet.setRule(edit.category, edit.ruleAfter);
        else
            sheet.setStatus(edit.number, edit.statusAfter);
    }
}

std::optional<SheetEdit> SheetEditOf(const JournalEntry &line)
{
    if (line.kind == JournalKind::RuleChanged) {
        const std::optional<FinishRule> before = RuleOfForm(line.itemBefore);
        const std::optional<FinishRule> after = RuleOfForm(line.itemAfter);
        if (!before || !after)
            return std::nullopt;
        return SheetEdit::Rule(line.category, *before, *after);
    }
    if (line.kind == JournalKind::StatusChanged) {
        const std::optional<StatusEntry> before = StatusOfForm(line.itemBefore);
        const std::optional<StatusEntry> after = StatusOfForm(line.itemAfter);
        if (!before || !after || line.number < 0 || line.number > MaxStatusNumber)
            return std::nullopt;
        return SheetEdit::Status(line.number, *before, *after);
    }
    return std::nullopt;
}

SheetChange SheetChangeToward(const std::vector<JournalEntry> &lines, const RaceSheet &sheet)
{
    // The last state of each item the journal touched, in the order each
    // was first touched.
    std::vector<SheetEdit> last;
    std::map<QString, size_t> ruleAt;
    std::map<int32_t, size_t> statusAt;
    for (const JournalEntry &line : lines) {
        const std::optional<SheetEdit> edit = SheetEditOf(line);
        if (!edit)
            continue;
        const size_t at = edit->item == SheetEdit::Item::Rule
                              ? ruleAt.try_emplace(CategoryKey(edit->category), last.size()).first->second
                              : statusAt.try_emplace(edit->number, last.size()).first->second;
        if (at == last.size())
            last.push_back(*edit);
        else
            last[at] = *edit;
    }
    SheetChange change;
    for (const SheetEdit &edit : last) {
        if (edit.item == SheetEdit::Item::Rule) {
            const FinishRule now = sheet.ownRule(edit.category);
            if (now != edit.ruleAfter)
                change.edits.push_back(SheetEdit::Rule(edit.category, now, edit.ruleAfter));
        } else {
            const StatusEntry now = sheet.status(edit.number);
            if (now != edit.statusAfter)
                change.edits.push_back(SheetEdit::Status(edit.number, now, edit.statusAfter));
        }
    }
    return change;
}

SheetChange FinishFlagChange(const RaceSheet &sheet, const QStringList &categories, DayTime now)
{
    QStringList names = categories;
    if (names.isEmpty()) {
        names << QString();
        for (const RaceSheet::CategoryRule &r : sheet.rules())
            if (!r.category.isEmpty())
                names << r.category;
    }
    SheetChange change;
    std::map<QString, bool> seen;
    for (const QString &name : names) {
        // The racers without a category have their own rule only under their name.
        const QString category = CategoryKey(name) == CategoryKey(NoCategoryName) ? NoCategoryName : name;
        if (!seen.emplace(CategoryKey(category), true).second)
            continue;
        const FinishRule before = sheet.ownRule(category);
        const FinishRule after = FinishRule::At(now);
        if (before != after)
            change.edits.push_back(SheetEdit::Rule(category, before, after));
    }
    return change;
}

QString SheetChangeText(const SheetChange &change)
{
    if (change.edits.size() != 1)
        return u"změna listu závodu (%1)"_s.arg(change.edits.size());
    const SheetEdit &e = change.edits.front();
    if (e.item == SheetEdit::Item::Rule) {
        const QString who = e.category.trimmed().isEmpty() ? u"ostatních kategorií"_s : u"kategorie "_s + e.category;
        return u"pravidlo %1: %2"_s.arg(who, FinishRuleText(e.ruleAfter));
    }
    if (e.statusAfter.none())
        return u"zrušení stavu čísla %1"_s.arg(e.number);
    return u"stav čísla %1: %2"_s.arg(e.number).arg(StatusCode(e.statusAfter.status));
}
