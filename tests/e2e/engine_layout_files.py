"""Reads back the recipes file that Savrona wrote in the original engine's XML
data-packet layout, against the file of that layout it had read: the same
declaration, root and field definitions, no row states or change log, texts
in code page 1252, and as rows the current rows of the old file (merged here
with its change log, on their own) followed by the new recipe.

Arguments: the file before, the file after, the title of the recipe added."""
import sys
import xml.etree.ElementTree as ElementTree

NOT_CURRENT = 1 | 2 | 32


def fail(message):
    print("engine layout files: " + message, file=sys.stderr)
    sys.exit(1)


def parse(path):
    raw = open(path, "rb").read()
    # No encoding declared and not UTF-8: code page 1252.
    return raw, ElementTree.fromstring(raw.decode("cp1252"))


def merged_rows(root):
    """The current rows: a field missing from a row that replaces another
    takes the value of the row replaced."""
    rows = root.find("ROWDATA").findall("ROW")
    params = root.find("METADATA").find("PARAMS")
    log = [int(number) for number in params.get("CHANGE_LOG", "").split()]
    replaced = {}
    for index in range(0, len(log), 3):
        if log[index + 1] != 0:
            replaced[log[index] - 1] = log[index + 1] - 1
    fields = [field.get("attrname") for field in root.iter("FIELD")]

    def value(row_index, field):
        while True:
            row = rows[row_index]
            if field in row.attrib or row_index not in replaced:
                return row.get(field)
            row_index = replaced[row_index]

    current = []
    for index, row in enumerate(rows):
        if int(row.get("RowState", "0")) & NOT_CURRENT:
            continue
        values = {field: value(index, field) for field in fields}
        current.append({field: text for field, text in values.items() if text is not None})
    return current


def main():
    before_path, after_path, title = sys.argv[1:4]
    before_raw, before = parse(before_path)
    after_raw, after = parse(after_path)

    declaration = b'<?xml version="1.0" standalone="yes"?>\r\n<DATAPACKET Version="2.0">'
    if not after_raw.startswith(declaration):
        fail("the file does not start as the file read did: %r" % after_raw[:80])
    if b"RowState" in after_raw or b"CHANGE_LOG" in after_raw:
        fail("the file holds row states or a change log")
    if b"\xb0" not in after_raw or b"\xc2\xb0" in after_raw:
        fail("the degree signs are not in code page 1252")
    field_definitions = [field.attrib for field in before.iter("FIELD")]
    if [field.attrib for field in after.iter("FIELD")] != field_definitions:
        fail("the field definitions changed")

    expected = merged_rows(before) + [{
        "ID": "133",
        "CategoryID": "2",
        "Title": title,
        "Ingredients": "2 zucchini\r\n1 cup ricotta",
        "Preparation": "Grill at 200 degrees.",
    }]
    rows = [row.attrib for row in after.find("ROWDATA").findall("ROW")]
    if len(rows) != 126:
        fail("%d recipes written, not 126" % len(rows))
    for number, (row, wanted) in enumerate(zip(rows, expected), start=1):
        if row != wanted:
            fail("row %d is %r, not %r" % (number, row, wanted))


main()
