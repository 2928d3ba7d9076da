# Rounds the list of examples/sector-pivot.xlsx with the one-step command and
# refreshes its pivot table:
#   quorant script examples/round-sector-pivot.qs
# The workbook (made by LibreOffice Calc from sector-pivot.fods with
#   soffice --headless --convert-to xlsx sector-pivot.fods)
# holds on sheet "Data" a database-style list, persons employed by region and
# sector (A1:C13, with a header row), and beside it a pivot table over the
# list. Because the workbook holds a pivot table, "&Rounder... (XPRESS)" reads
# the selected list as a database-style table: the cross-classified table and
# all its totals are written into a copy of the sheet and rounded; with
# "Actualize Pivot Table" on, the rounded copy's pivot table is rebuilt over
# the rounded cells.
open sector-pivot.xlsx
select A1:C13
dialog " Quorant" {
  page "General Options"
  check 12020 on
  ok
}
dialog "Resolution Info" {
  expect-checked 12017 on
  ok
}
pick "&Rounding" "&Rounder... (XPRESS)" = 0
expect-status "Optimal solution found!"
expect-status " Pivot Tables created!"
windows
show
