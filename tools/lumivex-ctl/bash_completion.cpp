#include "lumivex-ctl/bash_completion.h"

#include "lumivex-ctl/verb_table.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

namespace lumivex::ctl {

namespace {

// A word for the shell: single-quoted, so nothing in it is expanded.
QString quoted(const QString& word)
{
    QString text = word;
    text.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

// "vga|component|dvi" is a fixed set; a placeholder such as "LABEL|INDEX"
// or "BITS|N=on|off" is not, and offers nothing rather than half of it.
QStringList fixedChoices(const char* text)
{
    static const QRegularExpression word(QStringLiteral("^[a-z0-9][a-z0-9._-]*$"));
    const QStringList choices = QString::fromUtf8(text).split(QLatin1Char('|'));
    for (const QString& choice : choices)
        if (!word.match(choice).hasMatch())
            return {};
    return choices;
}

// The shell command that completes a value shown as `placeholder`, typed so
// far in the shell's `typed` ("$2"), or nothing for a value of free text.
QString completerFor(const char* placeholder, const char* typed)
{
    const QString name = QString::fromUtf8(placeholder);
    if (name == QLatin1String("LINK"))
        return QStringLiteral("_lumivex_ctl_link \"%1\"").arg(QLatin1String(typed));
    if (name == QLatin1String("NAME"))
        return QStringLiteral("_lumivex_ctl_controller \"%1\"").arg(QLatin1String(typed));
    if (name == QLatin1String("FILE"))
        return QStringLiteral("_lumivex_ctl_files \"%1\"").arg(QLatin1String(typed));
    const QStringList choices = fixedChoices(placeholder);
    return choices.isEmpty() ? QString()
                             : QStringLiteral("_lumivex_ctl_words %1 \"%2\"")
                                   .arg(quoted(choices.join(QLatin1Char(' '))), QLatin1String(typed));
}

QStringList optionWords(const OptionEntry& o)
{
    QStringList words{QStringLiteral("--%1").arg(QLatin1String(o.name))};
    if (o.shortName)
        words << QStringLiteral("-%1").arg(QLatin1Char(o.shortName));
    return words;
}

// The case labels of a value's completer: ("--link"|"-x") cmd ;;
void caseRow(QTextStream& t, const QStringList& labels, const QString& command, const char* indent)
{
    QStringList patterns;
    for (const QString& label : labels)
        patterns << quoted(label);
    t << indent << patterns.join(QLatin1Char('|')) << ") " << command << " ;;\n";
}

// Helpers that do not depend on the tables.
constexpr const char* kHelpers = R"(# Offers those of the words in $1 that start with $2.
_lumivex_ctl_words() {
    local w
    for w in $(compgen -W "$1" -- "$2"); do COMPREPLY+=("$w"); done
}

_lumivex_ctl_files() {
    local f
    while IFS= read -r f; do COMPREPLY+=("$f"); done < <(compgen -f -- "$1")
    compopt -o filenames 2>/dev/null
}

# A link: ddc, ddc:N, COMn, a serial device, tcp://HOST:PORT or
# rfc2217://HOST:PORT; the serial adapters plugged in are offered whole.
_lumivex_ctl_link() {
    case $1 in
        /* | .*) _lumivex_ctl_files "$1" ;;
        *)
            _lumivex_ctl_words 'ddc ddc: COM tcp:// rfc2217:// /dev/tty' "$1"
            local d
            for d in /dev/ttyUSB* /dev/ttyACM* /dev/serial/by-id/*; do
                [[ -e $d && $d == "$1"* ]] && COMPREPLY+=("$d")
            done
            ;;
    esac
    # A prefix alone is not a link yet: the cursor stays on it.
    if ((${#COMPREPLY[@]} == 1)) && [[ ${COMPREPLY[0]} == *[:/] || ${COMPREPLY[0]} == COM || ${COMPREPLY[0]} == /dev/tty ]]; then
        compopt -o nospace 2>/dev/null
    fi
}

# A controller's name, from the inventory: --inventory FILE on the line,
# else $LUMIVEX_INVENTORY, else /etc/lumivex/controllers.ini.
_lumivex_ctl_controller() {
    local file=${LUMIVEX_INVENTORY:-/etc/lumivex/controllers.ini} i
    for ((i = 1; i < ${#words[@]} - 1; i++)); do
        case ${words[i]} in
            --inventory) file=${words[i + 1]} ;;
            --inventory=*) file=${words[i]#--inventory=} ;;
        esac
    done
    [[ $file == "~/"* ]] && file=$HOME/${file#"~/"}
    [[ -f $file && -r $file ]] || return
    local names
    names=$(sed -n 's/^[[:space:]]*\[Controller[[:space:]]\{1,\}\([A-Za-z0-9_-]\{1,\}\)[[:space:]]*\].*$/\1/p' "$file")
    _lumivex_ctl_words "$names" "$1"
}

_lumivex_ctl() {
    COMPREPLY=()
    # bash splits words at the characters of COMP_WORDBREAKS, ':' and '='
    # among them: join the pieces again, so tcp://h:1 and --opt=value are one
    # word each. keep: how much of the word bash leaves as it is.
    local -a words=()
    local i piece keep=0 glue=0
    for ((i = 0; i <= COMP_CWORD; i++)); do
        piece=${COMP_WORDS[i]}
        if ((i > 0)) && [[ $piece =~ ^[:=]+$ ]]; then
            words[-1]+=$piece
            keep=${#words[-1]}
            glue=1
        elif ((glue)); then
            words[-1]+=$piece
            glue=0
        else
            words+=("$piece")
            keep=0
        fi
    done
    local cword=$((${#words[@]} - 1))
    local cur=${words[cword]} opt= verb= ended=0 w
    local -a args=()
    # The verb and its arguments so far; an option's value is no argument.
    for ((i = 1; i < cword; i++)); do
        w=${words[i]}
        if ((!ended)) && [[ $w == -- ]]; then
            ended=1
        elif ((!ended)) && [[ $w == -?* && $w != -[0-9.]* ]]; then
            if [[ $w != *=* && $_lumivex_ctl_valued == *" $w "* ]]; then
                if ((i + 1 == cword)); then
                    opt=$w
                    break
                fi
                ((i++))
            fi
        elif [[ -z $verb ]]; then
            verb=${w,,}
        else
            args+=("$w")
        fi
    done
    if [[ -z $opt && $ended == 0 && $cur == --*=* ]]; then
        opt=${cur%%=*}
        cur=${cur#*=}
        keep=$((keep > ${#opt} ? keep - ${#opt} - 1 : 0))
    fi
    if [[ -n $opt ]]; then
        _lumivex_ctl_value "$opt" "$cur"
    elif ((!ended)) && [[ $cur == -* ]]; then
        if [[ -n $verb && -v _lumivex_ctl_verb_options[$verb] ]]; then
            _lumivex_ctl_words "${_lumivex_ctl_verb_options[$verb]}" "$cur"
        else
            _lumivex_ctl_words "$_lumivex_ctl_options" "$cur"
        fi
    elif [[ -z $verb ]]; then
        _lumivex_ctl_words "$_lumivex_ctl_verbs" "$cur"
    else
        _lumivex_ctl_argument "$verb" "$cur" "${args[@]}"
    fi
    # bash puts a choice in place of what follows the last ':' or '='.
    if ((keep > 0)); then
        for i in "${!COMPREPLY[@]}"; do COMPREPLY[i]=${COMPREPLY[i]:keep}; done
    fi
}

complete -F _lumivex_ctl lumivex-ctl
)";

}  // namespace

QString bashCompletion()
{
    QString out;
    QTextStream t(&out);
    t << "# bash completion for lumivex-ctl, written by `lumivex-ctl --bash-completion`\n"
         "# from the tables behind its --help; edit those, not this.\n\n";

    QStringList verbs, options, valued;
    for (const VerbEntry& v : verbTable())
        verbs << QLatin1String(v.name);
    for (const OptionEntry& o : optionTable()) {
        if (o.hidden)
            continue;
        options << optionWords(o);
        if (o.value)
            valued << optionWords(o);
    }
    t << "_lumivex_ctl_verbs=" << quoted(verbs.join(QLatin1Char(' '))) << "\n"
      << "# Every option; once the verb is known, those that mean something for it\n"
      << "# (-g: bash-completion sources this file inside a function).\n"
      << "_lumivex_ctl_options=" << quoted(options.join(QLatin1Char(' '))) << "\n"
      << "declare -gA _lumivex_ctl_verb_options=(\n";
    for (const VerbEntry& v : verbTable()) {
        QStringList forVerb;
        for (const OptionEntry& o : optionTable())
            if (!o.hidden && optionGoesWith(o, QLatin1String(v.name)))
                forVerb << optionWords(o);
        t << "    [" << quoted(QLatin1String(v.name)) << "]=" << quoted(forVerb.join(QLatin1Char(' '))) << "\n";
    }
    t << ")\n"
      << "# Options that take a value, each between spaces.\n"
      << "_lumivex_ctl_valued=" << quoted(QLatin1Char(' ') + valued.join(QLatin1Char(' ')) + QLatin1Char(' ')) << "\n\n";

    t << "# The value of option $1; $2 is what is typed of it.\n_lumivex_ctl_value() {\n    case $1 in\n";
    for (const OptionEntry& o : optionTable())
        if (!o.hidden && o.value)
            if (const QString command = completerFor(o.value, "$2"); !command.isEmpty())
                caseRow(t, optionWords(o), command, "        ");
    t << "    esac\n}\n\n";

    // An argument placeholder is completed by its kind; VALUE after SETTING
    // by the values of the setting named before it.
    t << "# The next argument of verb $1; $2 is what is typed of it, the arguments\n"
         "# before it follow.\n_lumivex_ctl_argument() {\n    local verb=$1\n    shift\n"
         "    case $verb:$(($# - 1)) in\n";
    for (const VerbEntry& v : verbTable()) {
        const QStringList placeholders = QString::fromUtf8(v.arguments).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (int i = 0; i < placeholders.size(); ++i) {
            const QString label = QStringLiteral("%1:%2").arg(QLatin1String(v.name)).arg(i);
            const QByteArray placeholder = placeholders[i].toUtf8();
            if (placeholder == "SETTING") {
                QStringList names;
                for (const SettingEntry& s : settingTable())
                    names << QLatin1String(s.name);
                caseRow(t, {label}, QStringLiteral("_lumivex_ctl_words %1 \"$1\"").arg(quoted(names.join(QLatin1Char(' ')))),
                        "        ");
            } else if (placeholder == "VALUE" && i > 0 && placeholders[i - 1] == QLatin1String("SETTING")) {
                t << "        " << quoted(label) << ")\n            case ${" << i + 1 << ",,} in\n";
                for (const SettingEntry& s : settingTable())
                    if (const QStringList choices = fixedChoices(s.values); !choices.isEmpty())
                        caseRow(t, {QLatin1String(s.name)},
                                QStringLiteral("_lumivex_ctl_words %1 \"$1\"").arg(quoted(choices.join(QLatin1Char(' ')))),
                                "                ");
                t << "            esac\n            ;;\n";
            } else if (const QString command = completerFor(placeholder.constData(), "$1"); !command.isEmpty()) {
                caseRow(t, {label}, command, "        ");
            }
        }
    }
    t << "    esac\n}\n\n" << kHelpers;
    t.flush();
    return out;
}

}  // namespace lumivex::ctl
