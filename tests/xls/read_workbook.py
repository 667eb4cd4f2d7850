#!/usr/bin/python3
"""Reads a written .xls file back with two independent readers and prints what
they see, one fact a line, for the C++ test to compare.

usage: read_workbook.py WORKBOOK.xls STREAM_COPY
  The container is read with olefile (its entries and the "Workbook" stream,
  which is also copied to STREAM_COPY), the workbook with xlrd.
Exit status 2 when a reader cannot be imported, 1 when a reader fails.
"""
import sys

try:
    import olefile
    import xlrd
except ImportError as error:  # the test must fail, not skip
    print("cannot import the readers: %s" % error)
    sys.exit(2)


def text(value):
    return value.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r")


def main(path, copy_path):
    out = []
    ole = olefile.OleFileIO(path)
    entries = ["/".join(e) for e in ole.listdir(streams=True, storages=True)]
    out.append("entries " + ";".join(entries))
    out.append("stream size %d" % ole.get_size("Workbook"))
    with open(copy_path, "wb") as copy:
        copy.write(ole.openstream("Workbook").read())
    ole.close()

    book = xlrd.open_workbook(path, formatting_info=True)
    out.append("sheets %d" % book.nsheets)
    for sheet in book.sheets():
        out.append("sheet %s" % text(sheet.name))
        for rlo, rhi, clo, chi in sorted(sheet.merged_cells):
            out.append("merged rows %d-%d cols %d-%d" % (rlo, rhi - 1, clo, chi - 1))
        for col in sorted(sheet.colinfo_map):
            out.append("width %d %d" % (col, sheet.colinfo_map[col].width))
        for r in range(sheet.nrows):
            for c in range(sheet.row_len(r)):
                cell = sheet.cell(r, c)
                if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    continue
                font = book.font_list[book.xf_list[cell.xf_index].font_index]
                if cell.ctype == xlrd.XL_CELL_TEXT:
                    value = "text " + text(cell.value)
                elif cell.ctype == xlrd.XL_CELL_NUMBER:
                    value = "number " + repr(cell.value)
                else:
                    value = "kind %d %r" % (cell.ctype, cell.value)
                out.append("cell %d %d weight %d height %d %s" % (r, c, font.weight, font.height, value))
    sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__)
        sys.exit(1)
    try:
        main(sys.argv[1], sys.argv[2])
    except Exception as error:  # report what the reader did not accept
        print("reader failed: %s: %s" % (type(error).__name__, error))
        sys.exit(1)
