#!/usr/bin/env bash
# Writes the seed inputs of the file reader targets from the committed samples (which
# tools/samplegen makes). Each seed is an option byte (see FileEntries.cpp) followed by a sample
# cut to a few records, so the corpus stays small. Run from anywhere; rewrites the seeds only.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
C="$ROOT/tests/fuzz/corpus"
S="$ROOT/samples"
RVA="$S/files/三角堰_20240401.lmv"
RVB="$S/files/RVB雷达站_2024年04月03日.lmv"
PRJ="$S/store/城东排水管网/城东排水管网.lmvprj"
POS="$S/store/城东排水管网/建设路1号井/建设路1号井.lmvpos"
PRJ_B="$S/store/水库入库监测/水库入库监测.lmvprj"
POS_B="$S/store/水库入库监测/1号站压力式/1号站压力式.lmvpos"

# seed FILE OPTION_BYTE [SOURCE BYTES]...: the option byte, then the first BYTES of each SOURCE.
seed() {
    local out="$1" option="$2"
    shift 2
    mkdir -p "$(dirname "$out")"
    printf "\\x$option" >"$out"
    while [ $# -gt 0 ]; do
        head -c "$2" "$1" >>"$out"
        shift 2
    done
}

seed "$C/read_data_file/rva_four_records_and_a_fragment" 00 "$RVA" 645
seed "$C/read_data_file/rvb_three_records" 00 "$RVB" 812
seed "$C/read_data_file/short_header" 00 "$RVA" 300
seed "$C/read_data_file/empty" 00
seed "$C/read_data_file/grown_past_the_size_limit" 0f "$RVA" 576
# The RVA header with another type code at 500.
seed "$C/read_data_file/unknown_family" 00 "$RVA" 500
printf '\x07' >>"$C/read_data_file/unknown_family"
head -c 576 "$RVA" | tail -c 75 >>"$C/read_data_file/unknown_family"

cp "$PRJ" "$C/index_lines/project_index"
cp "$POS_B" "$C/index_lines/point_index"
printf '$id$1\r\n$prj$%0130d\r\n$pos$P/Q\0$pos$P/R\r\nrest' 0 >"$C/index_lines/overlong_line_and_zero_byte"

seed "$C/open_local/project_index_rva" 00 "$PRJ" 400
seed "$C/open_local/project_index_rvb" 00 "$PRJ_B" 400
seed "$C/open_local/point_index" 01 "$POS" 400
seed "$C/open_local/data_file_rva" 02 "$RVA" 576
seed "$C/open_local/data_file_rvb" 02 "$RVB" 612

# Option byte (the rewrite: 0 corrections, 1 pipe, 2 finish), the point record of another file,
# then the file.
seed "$C/rewrite_file/corrections" 00 "$RVB" 88 "$RVA" 640
seed "$C/rewrite_file/pipe" 01 "$RVB" 88 "$RVA" 650
seed "$C/rewrite_file/pipe_on_rvb" 01 "$RVA" 88 "$RVB" 712
seed "$C/rewrite_file/finish" 02 "$RVB" 88 "$RVA" 640
seed "$C/rewrite_file/finish_short" 02 "$RVB" 88 "$RVA" 400
seed "$C/rewrite_file/corrections_grown_past_the_size_limit" 2d "$RVB" 88 "$RVA" 100

# seedx FILE HEX [SOURCE BYTES]...: option bytes given as hex, then the first BYTES of each SOURCE.
seedx() {
    local out="$1" hex="$2"
    shift 2
    mkdir -p "$(dirname "$out")"
    printf "$(echo "$hex" | sed 's/../\\x&/g')" >"$out"
    while [ $# -gt 0 ]; do
        head -c "$2" "$1" >>"$out"
        shift 2
    done
}
CHECK="$S/files/数据检查示例_20240520.lmv"
SCATTER="$S/files/散点图_解放路3号井_20240501.lmv"
ONE="0000803f"   # 1.0f
# plot_series: units, units after the change, pixel width / axis / selection, visible range start
# and width (1/128 of the span), velocity and flow correction given. 200 RVA records, so a few
# 64-record blocks fit into one pixel column.
seedx "$C/plot_series/rva_whole_span" "0005042080${ONE}${ONE}" "$RVA" 6912
seedx "$C/plot_series/rva_one_pixel_column_corrected" "2025012880cdcc8c3f6666663f" "$RVA" 6912
seedx "$C/plot_series/rva_check_sample_zoomed" "0c1c0d3010${ONE}${ONE}" "$CHECK" 6912
seedx "$C/plot_series/rvb_subset_of_series" "0000154060${ONE}${ONE}" "$RVB" 3512
seedx "$C/plot_series/rvb_key_of_the_other_family" "000026207f${ONE}${ONE}" "$RVB" 1012
# survey_check: bit 0 of the option byte checks with the given corrections and point record.
seedx "$C/survey_check/rva_check_sample" "00${ONE}${ONE}" "$RVB" 88 "$CHECK" 6912
seedx "$C/survey_check/rva_given_point_and_corrections" "01cdcc8c3f${ONE}" "$SCATTER" 88 "$RVA" 4352
seedx "$C/survey_check/rvb_over_an_earlier_export" "02${ONE}${ONE}" "$RVA" 88 "$RVB" 3512
seedx "$C/survey_check/short_header" "00${ONE}${ONE}" "$RVA" 88 "$RVA" 400
# survey_join: option byte (files - 1, bit 2 a period), period start (minutes) and length (ten
# minutes) as two 16-bit numbers, then each file but the last with its 16-bit length.
seedjoin() {
    local out="$1" hex="$2"
    shift 2
    mkdir -p "$(dirname "$out")"
    printf "$(echo "$hex" | sed 's/../\\x&/g')" >"$out"
    while [ $# -gt 0 ]; do
        if [ $# -gt 2 ]; then
            printf "$(printf '\\x%02x\\x%02x' $(($2 & 255)) $(($2 >> 8)))" >>"$out"
        fi
        head -c "$2" "$1" >>"$out"
        shift 2
    done
}
D="$S/store/城东排水管网/建设路1号井"
seedjoin "$C/survey_join/two_files_apart" "0100000000" "$D/20240311.lmv" 1792 "$D/20240312.lmv" 1792
seedjoin "$C/survey_join/same_download_twice" "0100000000" "$D/20240312.lmv" 1792 "$D/20240312.lmv" 2112
seedjoin "$C/survey_join/clock_set_back_in_a_period" "043c000c00" "$CHECK" 20000
seedjoin "$C/survey_join/rva_and_rvb_mixed" "0200000000" "$D/20240311.lmv" 1792 "$RVB" 1512 "$D/20240313.lmv" 1792
seedjoin "$C/survey_join/corrections_changing" "0700001000" "$D/20240311.lmv" 2112 "$D/20240312.lmv" 1792 \
    "$D/20240313.lmv" 1792 "$D/20240311.lmv" 1152
seedjoin "$C/survey_join/intervals_and_pipes_differing" "0100000000" "$S/files/梯形渠_20240402.lmv" 2112 \
    "$S/files/三角堰_20240401.lmv" 2112
# sediment_fit: bit 0 of the option byte takes the pipe given after it (shape, H, W, T, Y), bit 1
# the velocity correction after that; 200 records of the scattergraph survey.
Z="00000000"
seedx "$C/sediment_fit/survey_with_its_pipe" "00${Z}${Z}${Z}${Z}${Z}${ONE}" "$SCATTER" 6912
seedx "$C/sediment_fit/diameter_ffffffff" "01${Z}ffffffff${Z}${Z}${Z}${ONE}" "$SCATTER" 6912
seedx "$C/sediment_fit/trapezoid_with_sediment" "01""02000000""00040000""00030000""00060000""64000000""${ONE}" "$SCATTER" 6912
seedx "$C/sediment_fit/negative_correction" "03${Z}e8030000${Z}${Z}${Z}000080bf" "$CHECK" 6912
seedx "$C/sediment_fit/check_sample_short" "00${Z}${Z}${Z}${Z}${Z}${ONE}" "$CHECK" 900
