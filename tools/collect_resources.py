#!/usr/bin/env python3
"""Collects the program's resource texts from the design document into the built-in
resource documents (one per resource unit, Portuguese and English).

    tools/collect_resources.py DESIGN.md [--out src/persist/res] [--list]

The design text quotes resource entries in a few fixed shapes: a key followed by its text
(`1` "OK", 5000 "Senha", "poDirect" "Direta (1-9)"), a key with its text in parentheses
("mbError" ("Erro"), 5101 ("Cor...")), or with a "shipped text" remark (resource "2100",
shipped text "..."). Keys are decimal numbers or names with a known mnemonic prefix. The
result is deterministic: entries are sorted by unit, then by key. --list prints the
collected pairs instead of writing files.

Standard library only; the build does not run this script, its outputs are committed.
"""

import argparse
import os
import re
import sys

# Mnemonic prefixes of resource keys and the unit that holds each family.
CLASS_PREFIXES = ("zm", "pp", "pg", "pm", "po", "dup", "mb", "cl", "xr", "en", "db", "cr",
                  "pr", "u", "exp", "er", "hk")
DESIGN_PREFIXES = ("oi", "dt", "ds", "va", "ob", "mv", "bv", "lv", "pv", "sr", "fk", "ct",
                   "wz", "ft", "ag", "vt")
INSP_PREFIXES = ("prop",)

# Band names double as keys of their localized default names.
BAND_NAMES = {"ReportTitle", "ReportSummary", "PageHeader", "PageFooter", "Header", "Footer",
              "MasterData", "DetailData", "SubdetailData", "Data4", "Data5", "Data6",
              "GroupHeader", "GroupFooter", "Child", "ColumnHeader", "ColumnFooter",
              "Overlay"}

# Names that have a resource-key shape but are enumeration values, type names or
# hyperlink kinds in the quoted context, never resource keys.
NOT_KEYS = {"hkPageNumber", "poPortrait", "poLandscape", "dupIgnore", "dupAccept",
            "dupError"}

# Keys whose text the design quotes apart from the key (in a list or a later sentence);
# each text must occur quoted in the design.
SEPARATE = {
    "9": "Informe números e/ou intervalos de páginas, separados por vírgulas. Ex.: 1,3,5-12",
    "clCantRen": "Não foi possível renomear %s, foi introduzido no relatório ancestral ",
    "mbConfirm": "Confirmação",
    "mbInfo": "Informação",
    "enBandPos": "Posição incorreta da banda:",
    "enUnconnHeader": "Cabeçalho/Rodapé desconectado",
    "enUnconnGroup": "Grupo sem banda de dados",
    "enUnconnGFooter": "Sem cabeçalho de grupo para",
    "dtNoData": "Sem dados disponíveis.",
    "vt1": "[DATE]",
    "vt2": "[TIME]",
    "vt3": "[PAGE#]",
    "vt4": "[TOTALPAGES#]",
    "vt5": "[PAGE#] de [TOTALPAGES#]",
    "vt6": "[LINE#]",
}
# The text stands in a remark without its own quotes.
SEPARATE_UNQUOTED = {
    "clDSNotExist": 'Dataset "%s" não existe',
}

# Texts the design leaves open but the program shows; chosen here: the function
# categories of the expression editor, and the script engine's messages, which are fixed
# English texts in every language.
SUPPLEMENT = {
    "ctConv": "Conversão",
    "ctDate": "Data e hora",
    "ctFormat": "Formatação",
    "ctMath": "Matemática",
    "ctOther": "Outras",
    "ctString": "Texto",
    "ctAggregate": "Agregadas",
    "clLangLoadError": "Não foi possível carregar o idioma %s:",
    # object inspector descriptions of the most common properties
    "propAlign": "Alinhamento do objeto em relação à banda ou página",
    "propAutoWidth": "Ajusta a largura do objeto ao texto",
    "propColor": "Cor de fundo do objeto",
    "propDataField": "Nome do campo de dados ligado ao objeto",
    "propDataSet": "Conjunto de dados ligado ao objeto",
    "propFill": "Preenchimento do fundo do objeto",
    "propFont": "Fonte do texto do objeto",
    "propFrame": "Borda do objeto",
    "propHAlign": "Alinhamento horizontal do texto",
    "propHeight": "Altura do objeto",
    "propLeft": "Coordenada esquerda do objeto",
    "propMemo": "Texto do objeto",
    "propName": "Nome do objeto",
    "propPrintable": "Indica se o objeto é impresso",
    "propStretched": "Indica se a altura do objeto cresce com o conteúdo",
    "propTop": "Coordenada superior do objeto",
    "propVAlign": "Alinhamento vertical do texto",
    "propVisible": "Indica se o objeto é visível",
    "propWidth": "Largura do objeto",
    "propWordWrap": "Quebra as linhas longas do texto",
    "SLangNotFound": "Language '%s' not found",
    "SInvalidLanguage": "Invalid language definition",
    "SIdRedeclared": "Identifier redeclared: ",
    "SUnknownType": "Unknown type: ",
    "SIncompatibleTypes": "Incompatible types",
    "SIdUndeclared": "Undeclared identifier: ",
    "SClassRequired": "Class type required",
    "SIndexRequired": "Index required",
    "SStringError": "Strings doesn't have properties or methods",
    "SClassError": "Class %s does not have a default property",
    "SArrayRequired": "Array type required",
    "SVarRequired": "Variable required",
    "SNotEnoughParams": "Not enough actual parameters",
    "STooManyParams": "Too many actual parameters",
    "SLeftCantAssigned": "Left side cannot be assigned to",
    "SForError": "For loop variable must be numeric variable",
    "SEventError": "Event handler must be a procedure",
}
SCRIPT_KEYS = {k for k in SUPPLEMENT if k[0] == "S"}

KEY_RE = r'(?:`(?P<k1>[A-Za-z0-9_.]+)`|"(?P<k2>[A-Za-z0-9_.]+)"|(?<=[\s(])(?P<k3>\d{1,4})(?=[\s,)]))'
TEXT_RE = r'"(?P<t>[^"\n`]{1,200})"'
PATTERNS = [
    # key "text" / key is "text"
    re.compile(KEY_RE + r'(?: is)? ' + TEXT_RE + r'(?=[\s,;:.)|])'),
    # key ("text") / key ("text", ...)
    re.compile(KEY_RE + r' \(' + TEXT_RE + r'(?=[),])'),
    # key (shipped text "text") / key, shipped text "text" / key (shipped "text")
    re.compile(KEY_RE + r'\)?(?: \(|, )shipped(?: text)? ' + TEXT_RE + r'(?=[\s,;:.)|])'),
]


def unit_of(key):
    """The resource unit of a key, or None when the name is no resource key."""
    if key in NOT_KEYS:
        return None
    if key.isdigit():
        number = int(key)
        if 1 <= number < 2000:
            return "kavrcClass"
        if number <= 6999:
            return "kavrcDesgn"
        return None
    if key in SCRIPT_KEYS or key in BAND_NAMES:
        return "kavrcClass"
    for prefixes, unit in ((INSP_PREFIXES, "kavrcInsp"), (CLASS_PREFIXES, "kavrcClass"),
                           (DESIGN_PREFIXES, "kavrcDesgn")):
        for prefix in prefixes:
            if key.startswith(prefix) and len(key) > len(prefix) and \
                    (key[len(prefix)].isupper() or key[len(prefix)].isdigit()):
                return unit
    return None


def plausible_text(text):
    """Rejects fragments caught between two unrelated quotes."""
    if text[0] in " ,;:)" or not re.search(r"[A-Za-zÀ-ÿ]", text):
        return False
    if re.fullmatch(r"[A-Za-z]+(, [A-Za-z]+)+", text):  # enumeration lists
        return False
    return True


def collect(design_text):
    """Returns {key: text} and a list of conflict descriptions."""
    found = {}
    conflicts = []
    for pattern in PATTERNS:
        for m in pattern.finditer(design_text):
            key = m.group("k1") or m.group("k2") or m.group("k3")
            text = m.group("t")
            if unit_of(key) is None or not plausible_text(text):
                continue
            if key in found and found[key] != text:
                conflicts.append("%s: %r vs %r" % (key, found[key], text))
                continue
            found.setdefault(key, text)
    # Predefined display formats: table rows | "fkNumber2" | sample | format | give
    # "sample;format".
    for m in re.finditer(r'^\| "(fk[A-Za-z]+\d+)" \| ([^|]+?) \| ([^|]+?) \|$', design_text,
                         re.MULTILINE):
        found.setdefault(m.group(1), m.group(2) + ";" + m.group(3))
    for key, text in SEPARATE.items():
        if '"%s"' % text not in design_text:
            raise SystemExit("text of %s is not quoted in the design: %r" % (key, text))
        found.setdefault(key, text)
    for key, text in SEPARATE_UNQUOTED.items():
        if text not in design_text:
            raise SystemExit("text of %s is not in the design: %r" % (key, text))
        found.setdefault(key, text)
    for key, text in SUPPLEMENT.items():
        found.setdefault(key, text)
    return found, conflicts


def encode_xml(value):
    """The program's attribute escaping: NUL, LF, CR, '"', '&', '<', '>' as decimal
    references, nothing else."""
    out = []
    for ch in value:
        if ch in '\0\n\r"&<>':
            out.append("&#%d;" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def key_order(key):
    return (0, int(key), "") if key.isdigit() else (1, 0, key.lower())


def write_document(path, entries):
    """One resource document; Text is escaped twice because the loader decodes twice."""
    lines = ['<?xml version="1.1" encoding="utf-8"?>', '<Resources CodePage="1252">']
    for key in sorted(entries, key=key_order):
        text = encode_xml(encode_xml(entries[key]))
        lines.append('  <StrRes Name="%s" Text="%s"/>' % (encode_xml(key), text))
    lines.append("</Resources>")
    data = "\n".join(lines) + "\n"
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("design")
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "src",
                                                      "persist", "res"))
    parser.add_argument("--list", action="store_true")
    args = parser.parse_args()

    with open(args.design, encoding="utf-8") as f:
        found, conflicts = collect(f.read())
    for c in conflicts:
        print("conflict (first kept): " + c, file=sys.stderr)

    if args.list:
        for key in sorted(found, key=key_order):
            print("%s\t%s\t%s" % (unit_of(key), key, found[key]))
        return 0

    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    from resources_en import ENGLISH  # translations kept beside this script
    ENGLISH = dict(ENGLISH, **{k: v for k, v in SUPPLEMENT.items() if k in SCRIPT_KEYS})
    missing = sorted(k for k in found if k not in ENGLISH)
    if missing:
        print("no English text for: " + ", ".join(missing), file=sys.stderr)
        return 1
    units = {"kavrcClass": {}, "kavrcInsp": {}, "kavrcDesgn": {}}
    for key, text in found.items():
        units[unit_of(key)][key] = text
    for unit, entries in units.items():
        write_document(os.path.join(args.out, unit + ".xml"), entries)
        english = {k: ENGLISH[k] for k in entries}
        write_document(os.path.join(args.out, unit + ".en.xml"), english)
        print("%s: %d entries" % (unit, len(entries)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
