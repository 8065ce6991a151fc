$PMGNGEO,4800.000,N,1045.074,E,0000,F,GCZZZ9,Zehn,,,Letterbox Hybrid,,,1.0,2.5*28
$PMGNGEO,4930.000,N,1045.000,E,0000,F,GC1234,Bäche & Brücken,Regular,,Traditional Cache,,,1.5,2.0*7C
$PMGNGEO,3330.000,S,7015.000,W,0000,F,GCABCD,Über den Fluß - Teil 2; "Nord" <&> #LAT#,Micro,,Multi-cache,,,3.0,4.5*7B
$PMGNCMD,END*3D
