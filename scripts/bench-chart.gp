# Text throughput by script (1 MB texts): UnicodeString beside iconv and a
# plain hand-written loop. Called by bench.sh with data= and output= set.
set terminal pngcairo size 1000,520 font "sans,10"
set output output
set title "UTF-8 <-> UTF-16 throughput, 1 MB texts (MB of UTF-8 per second, median)"
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.85 border -1
set boxwidth 0.9
set ylabel "MB/s"
set yrange [0:*]
set grid ytics
set key top left Left reverse box opaque
set xtics rotate by -25
plot data using 2:xtic(1) title "UnicodeString", '' using 3 title "iconv", '' using 4 title "hand loop"
