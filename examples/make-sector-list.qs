# Builds examples/sector-list.xlsx, the example of `quorant import`:
#   quorant script --bare examples/make-sector-list.qs
# Sheet "Data": persons employed by region and sector as a database-style
# list, one row per cell of the table (Region, Sector, Employed) under a
# header row.
new
rename-sheet Sheet1 Data
set A1 "Region"
set B1 "Sector"
set C1 "Employed"
set A2 "North"
set B2 "Agriculture"
set C2 127
set A3 "North"
set B3 "Industry"
set C3 1841
set A4 "North"
set B4 "Services"
set C4 3265
set A5 "East"
set B5 "Agriculture"
set C5 213
set A6 "East"
set B6 "Industry"
set C6 1374
set A7 "East"
set B7 "Services"
set C7 2498
set A8 "South"
set B8 "Agriculture"
set C8 348
set A9 "South"
set B9 "Industry"
set C9 962
set A10 "South"
set B10 "Services"
set C10 2734
set A11 "West"
set B11 "Agriculture"
set C11 96
set A12 "West"
set B12 "Industry"
set C12 1127
set A13 "West"
set B13 "Services"
set C13 1903
save sector-list.xlsx
