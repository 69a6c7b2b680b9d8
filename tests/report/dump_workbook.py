"""Prints an .xlsx workbook as a reader sees it, one line per non-empty cell:

    SHEET name
    A1<TAB>kind<TAB>value<TAB>number format<TAB>stored value

kind is n (a number), s (a text) or f (a formula, whose stored value follows). Read with openpyxl,
which never calculates: a formula's stored value is what the writer put there.
"""
import sys

import openpyxl


def main(path):
    formulas = openpyxl.load_workbook(path)
    values = openpyxl.load_workbook(path, data_only=True)
    for sheet in formulas.worksheets:
        print("SHEET", sheet.title)
        stored = values[sheet.title]
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is None:
                    continue
                if cell.data_type == "f":
                    kind = "f"
                elif isinstance(cell.value, (int, float)):
                    kind = "n"
                else:
                    kind = "s"
                value = stored[cell.coordinate].value
                text = str(cell.value).replace("\t", " ").replace("\n", " ")
                print(f"{cell.coordinate}\t{kind}\t{text}\t{cell.number_format}\t{value!r}")


if __name__ == "__main__":
    main(sys.argv[1])
