# Builds examples/employment.xlsx, the example of `make demo`:
#   quorant script --bare examples/make-employment.qs
# Sheet "Region x Age": persons employed by region and age group, with row,
# column and grand totals (=SUM formulas).
# Sheets "Women" and "Men": persons employed by sector and region, each with
# its totals; the "Men" sheet also holds the total over both sheets
# (=SUM(Women!B2,B2) and so on), so that table is spread over two sheets.
new
rename-sheet Sheet1 "Region x Age"
rename-sheet Sheet2 Women
rename-sheet Sheet3 Men
select-sheet "Region x Age"
set A1 "Region"
set B1 "15-29"
set C1 "30-49"
set D1 "50-64"
set E1 "Total"
set A2 "North"
set B2 1283
set C2 2417
set D2 1156
set E2 =SUM(B2:D2)
set A3 "East"
set B3 964
set C3 1872
set D3 1039
set E3 =SUM(B3:D3)
set A4 "South"
set B4 1517
set C4 2936
set D4 1378
set E4 =SUM(B4:D4)
set A5 "West"
set B5 702
set C5 1345
set D5 618
set E5 =SUM(B5:D5)
set A6 "Total"
set B6 =SUM(B2:B5)
set C6 =SUM(C2:C5)
set D6 =SUM(D2:D5)
set E6 =SUM(E2:E5)

select-sheet Women
set A1 "Women"
set B1 "North"
set C1 "South"
set D1 "Total"
set A2 "Industry"
set B2 412
set C2 537
set D2 =SUM(B2:C2)
set A3 "Services"
set B3 1876
set C3 2254
set D3 =SUM(B3:C3)
set A4 "Public"
set B4 693
set C4 828
set D4 =SUM(B4:C4)
set A5 "Total"
set B5 =SUM(B2:B4)
set C5 =SUM(C2:C4)
set D5 =SUM(D2:D4)

select-sheet Men
set A1 "Men"
set B1 "North"
set C1 "South"
set D1 "Total"
set A2 "Industry"
set B2 1127
set C2 1364
set D2 =SUM(B2:C2)
set A3 "Services"
set B3 1553
set C3 1917
set D3 =SUM(B3:C3)
set A4 "Public"
set B4 451
set C4 598
set D4 =SUM(B4:C4)
set A5 "Total"
set B5 =SUM(B2:B4)
set C5 =SUM(C2:C4)
set D5 =SUM(D2:D4)
set F1 "Both"
set G1 "North"
set H1 "South"
set I1 "Total"
set F2 "Industry"
set G2 =SUM(Women!B2,B2)
set H2 =SUM(Women!C2,C2)
set I2 =SUM(G2:H2)
set F3 "Services"
set G3 =SUM(Women!B3,B3)
set H3 =SUM(Women!C3,C3)
set I3 =SUM(G3:H3)
set F4 "Public"
set G4 =SUM(Women!B4,B4)
set H4 =SUM(Women!C4,C4)
set I4 =SUM(G4:H4)
set F5 "Total"
set G5 =SUM(G2:G4)
set H5 =SUM(H2:H4)
set I5 =SUM(I2:I4)
select-sheet "Region x Age"
save employment.xlsx
