#!/usr/bin/env bash
# Draws the flags of the picture demo quiz with ImageMagick: each flag, and
# its solved-state picture with the country's name under it. Run it from
# this folder to make the pictures again.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p pics
W=300 H=200

vertical() {  # name colour colour colour
    convert -size $((W/3))x$H "xc:$2" "xc:$3" "xc:$4" +append +repage "pics/$1.png"
}
horizontal() {
    convert -size ${W}x$((H/3)) "xc:$2" "xc:$3" "xc:$4" -append -resize ${W}x$H! +repage "pics/$1.png"
}
nordic() {  # name field cross
    convert -size ${W}x$H "xc:$2" -fill "$3" -draw "rectangle 80,0 120,$H" -draw "rectangle 0,80 $W,120" "pics/$1.png"
}

vertical france '#0055A4' white '#EF4135'
vertical italie '#009246' white '#CE2B37'
vertical irlande '#169B62' white '#FF883E'
horizontal allemagne black '#DD0000' '#FFCE00'
horizontal pays-bas '#AE1C28' white '#21468B'
horizontal autriche '#ED2939' white '#ED2939'
nordic suede '#006AA7' '#FECC00'
nordic danemark '#C60C30' white
convert -size ${W}x$H xc:white -fill '#BC002D' -draw "circle 150,100 150,40" pics/japon.png

# The solved-state picture: the flag with its country's name below.
solved() {  # name label
    convert "pics/$1.png" +repage -background '#F4F4F4' -gravity south -splice 0x40 \
        -font DejaVu-Sans-Bold -pointsize 26 -fill '#202020' -annotate +0+6 "$2" "pics/$1-ok.png"
}
solved france "France"
solved italie "Italie"
solved irlande "Irlande"
solved allemagne "Allemagne"
solved pays-bas "Pays-Bas"
solved autriche "Autriche"
solved suede "Suède"
solved danemark "Danemark"
solved japon "Japon"

# Every kind of picture file a quiz may hold: JPEG, GIF and BMP go in as
# they are; PNG is kept for two flags to use the player's own PNG decoder.
for f in france italie allemagne suede; do convert "pics/$f.png" -quality 90 "pics/$f.jpg"; rm "pics/$f.png"; done
for f in irlande pays-bas; do convert "pics/$f.png" "pics/$f.gif"; rm "pics/$f.png"; done
for f in autriche; do convert "pics/$f.png" -type Palette BMP3:"pics/$f.bmp"; rm "pics/$f.png"; done
for f in france italie allemagne suede irlande pays-bas autriche danemark japon; do
    convert "pics/$f-ok.png" -quality 90 "pics/$f-ok.jpg"; rm "pics/$f-ok.png"
done
