; Script-Fu of tests/gimp/gimp_check.sh, loaded into GIMP's batch mode.
; (icn-dump image port): per layer, bottom first, one line
;   NAME X Y WIDTH HEIGHT BITS P0 P1 ...
; with each pixel's index, 0 where it is transparent; the first line holds
; the image's generation and reference point parasites and its size.
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
        (let rows ((y 0))
          (if (< y height)
            (begin
              (let columns ((x 0))
                (if (< x width)
                  (let ((pixel (cadr (gimp-drawable-get-pixel layer x y))))
                    (icn-write-fields port
                      (if (= (vector-ref pixel 1) 0) 0 (vector-ref pixel 0)))
                    (columns (+ x 1)))))
              (rows (+ y 1)))))
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
