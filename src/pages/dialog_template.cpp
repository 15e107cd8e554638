#include "pages/dialog_template.h"

#include <QFile>

#include <array>

namespace lumivex {

namespace {

struct KindName {
    const char* name;
    ControlKind kind;
};

constexpr std::array<KindName, 10> kKinds{{
    {"groupbox", ControlKind::GroupBox},
    {"combo-dropdown", ControlKind::ComboDropDown},
    {"combo-droplist", ControlKind::ComboDropList},
    {"pushbutton", ControlKind::PushButton},
    {"radio", ControlKind::RadioButton},
    {"autocheckbox", ControlKind::AutoCheckBox},
    {"checkbox", ControlKind::CheckBox},
    {"static", ControlKind::Static},
    {"edit", ControlKind::Edit},
    {"picture", ControlKind::PictureButton},
}};

// Splits a line into blank-separated words; "double quotes" keep blanks.
bool tokenize(const QString& line, QStringList& words, QString& problem)
{
    words.clear();
    int i = 0;
    const int n = int(line.size());
    while (i < n) {
        while (i < n && line[i].isSpace())
            ++i;
        if (i >= n)
            break;
        if (line[i] == QLatin1Char('"')) {
            const int close = int(line.indexOf(QLatin1Char('"'), i + 1));
            if (close < 0) {
                problem = QStringLiteral("unterminated quoted text");
                return false;
            }
            words << line.mid(i + 1, close - i - 1);
            i = close + 1;
        } else {
            int end = i;
            while (end < n && !line[end].isSpace())
                ++end;
            words << line.mid(i, end - i);
            i = end;
        }
    }
    return true;
}

bool toInt(const QString& word, int& out)
{
    bool ok = false;
    out = word.toInt(&ok);
    return ok;
}

bool applyFlag(const QString& flag, ControlSpec& control)
{
    if (flag == QLatin1String("group"))
        return control.groupStart = true;
    if (flag == QLatin1String("hidden"))
        return control.hidden = true;
    if (flag == QLatin1String("disabled"))
        return control.disabled = true;
    if (flag == QLatin1String("readonly"))
        return control.readOnly = true;
    if (flag == QLatin1String("transparent"))
        return control.transparent = true;
    const int eq = int(flag.indexOf(QLatin1Char('=')));
    if (eq < 0)
        return false;
    const QString name = flag.left(eq);
    int value = 0;
    if (!toInt(flag.mid(eq + 1), value) || value <= 0)
        return false;
    if (name == QLatin1String("icon"))
        control.iconId = value;
    else if (name == QLatin1String("normal-icon"))
        control.normalIconId = value;
    else if (name == QLatin1String("bitmap"))
        control.bitmapId = value;
    else
        return false;
    return true;
}

bool parseHeader(const QStringList& w, DialogTemplate& dialog, QString& problem)
{
    int width = 0, height = 0;
    if (w.size() != 7 || !toInt(w[1], dialog.id) || !toInt(w[3], width) || !toInt(w[4], height)
        || !toInt(w[6], dialog.fontPointSize) || width <= 0 || height <= 0) {
        problem = QStringLiteral("expected: dialog ID \"caption\" WIDTH HEIGHT \"font\" POINTS");
        return false;
    }
    dialog.caption = w[2];
    dialog.sizeDu = QSize(width, height);
    dialog.fontFamily = w[5];
    return true;
}

bool parseControl(const QStringList& w, ControlSpec& control, QString& problem)
{
    if (w.size() < 8) {
        problem = QStringLiteral("expected: ID KIND CLASS \"text\" X Y W H [flags]");
        return false;
    }
    if (!toInt(w[0], control.id) || control.id <= 0) {
        problem = QStringLiteral("bad control id '%1'").arg(w[0]);
        return false;
    }
    bool known = false;
    for (const KindName& k : kKinds) {
        if (w[1] == QLatin1String(k.name)) {
            control.kind = k.kind;
            known = true;
        }
    }
    if (!known) {
        problem = QStringLiteral("unknown control kind '%1'").arg(w[1]);
        return false;
    }
    control.className = w[2] == QLatin1String("-") ? QString() : w[2];
    control.text = w[3];
    int x = 0, y = 0, cx = 0, cy = 0;
    if (!toInt(w[4], x) || !toInt(w[5], y) || !toInt(w[6], cx) || !toInt(w[7], cy) || cx < 0 || cy < 0) {
        problem = QStringLiteral("bad rectangle");
        return false;
    }
    control.rectDu = QRect(x, y, cx, cy);
    for (qsizetype i = 8; i < w.size(); ++i) {
        if (!applyFlag(w[i], control)) {
            problem = QStringLiteral("unknown flag '%1'").arg(w[i]);
            return false;
        }
    }
    return true;
}

}  // namespace

const ControlSpec* DialogTemplate::find(int controlId) const
{
    for (const ControlSpec& c : controls) {
        if (c.id == controlId)
            return &c;
    }
    return nullptr;
}

std::optional<DialogTemplate> parseDialogTemplate(const QString& text, TemplateError* error)
{
    DialogTemplate dialog;
    bool haveHeader = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QStringList words;
        QString problem;
        bool ok = tokenize(line, words, problem);
        if (ok && words.first() == QLatin1String("dialog")) {
            ok = !haveHeader && parseHeader(words, dialog, problem);
            if (haveHeader)
                problem = QStringLiteral("second dialog line");
            haveHeader = true;
        } else if (ok) {
            ControlSpec control;
            ok = haveHeader && parseControl(words, control, problem);
            if (!haveHeader)
                problem = QStringLiteral("control before the dialog line");
            if (ok && dialog.find(control.id)) {
                ok = false;
                problem = QStringLiteral("duplicate control id %1").arg(control.id);
            }
            if (ok)
                dialog.controls.push_back(control);
        }
        if (!ok) {
            if (error)
                *error = {i + 1, problem};
            return std::nullopt;
        }
    }
    if (!haveHeader) {
        if (error)
            *error = {0, QStringLiteral("no dialog line")};
        return std::nullopt;
    }
    return dialog;
}

std::optional<DialogTemplate> loadDialogTemplate(int dialogId, TemplateError* error)
{
    QFile file(QStringLiteral(":/dialogs/dialog_%1.txt").arg(dialogId));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = {0, QStringLiteral("no template for dialog %1").arg(dialogId)};
        return std::nullopt;
    }
    return parseDialogTemplate(QString::fromUtf8(file.readAll()), error);
}

}  // namespace lumivex
