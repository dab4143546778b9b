; Script-Fu of tests/gimp/gimp_check.sh, loaded into GIMP's batch mode.
; (icn-dump image port): per layer, bottom first, one line
;   NAME X Y WIDTH HEIGHT BITS R G B A R G B A ...
; with each pixel's colour and alpha; the first line holds the image's
; generation and reference point parasites, its size, base type and colour
; map's size.
(define (icn-parasite-text parasite) (caddr parasite))
(define (icn-write-fields port . fields)
  (for-each (lambda (field) (display field port) (display " " port)) fields))
(define (icn-dump image port)
  (icn-write-fields port "image"
    (icn-parasite-text (car (gimp-image-get-parasite image "icn-generation")))
    (icn-parasite-text (car (gimp-image-get-parasite image "icn-reference-point")))
    (car (gimp-image-width image)) (car (gimp-image-height image))
    (car (gimp-image-base-type image)) (car (gimp-image-get-colormap image)))
  (newline port)
  (for-each
    (lambda (layer)
      (let* ((width (car (gimp-drawable-width layer)))
             (height (car (gimp-drawable-height layer)))
             (offsets (gimp-drawable-offsets layer)))
        (icn-write-fields port (car (gimp-item-get-name layer)) (car offsets) (cadr offsets)
          width height (icn-parasite-text (car (gimp-item-get-parasite layer "icn-bits"))))
        ; The layer's pixels as GIMP shows them, R G B A each, through one
        ; call (a thumbnail of the layer's own size is its pixels).
        (let* ((thumbnail (gimp-drawable-thumbnail layer width height))
               (data (list-ref thumbnail 4))
               (count (list-ref thumbnail 3)))
          (let loop ((i 0))
            (if (< i count)
              (begin (display (vector-ref data i) port) (display " " port) (loop (+ i 1))))))
        (newline port)))
    (reverse (vector->list (cadr (gimp-image-get-layers image))))))

; Opens each archive of names (in folder in), dumps it into dump/NAME.txt
; and exports it untouched as out/NAME.
(define (icn-check-all in dump out names)
  (for-each
    (lambda (name)
      (let* ((path (string-append in "/" name))
             (image (car (file-icn-load RUN-NONINTERACTIVE path name)))
             (port (open-output-file (string-append dump "/" name ".txt"))))
        (icn-dump image port)
        (close-output-port port)
        (file-icn-save RUN-NONINTERACTIVE image (car (gimp-image-get-active-drawable image))
                       (string-append out "/" name) name)
        (gimp-image-delete image)))
    names))

; Paints pixel (x, y) of layer NAME index 7 and exports the image as target.
(define (icn-paint path layer-name x y target)
  (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE path path)))
         (layer (car (gimp-image-get-layer-by-name image layer-name))))
    (gimp-drawable-set-pixel layer x y 2 (vector 7 255))
    (gimp-file-save RUN-NONINTERACTIVE image layer target target)
    (gimp-image-delete image)))

; Opens path, makes it RGB, exports it as target: refused.
(define (icn-export-rgb path target)
  (let ((image (car (file-icn-load RUN-NONINTERACTIVE path path))))
    (gimp-image-convert-rgb image)
    (file-icn-save RUN-NONINTERACTIVE image (car (gimp-image-get-active-drawable image))
                   target target)))
