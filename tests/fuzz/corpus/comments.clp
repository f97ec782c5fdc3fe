; header
(deffunction f ($?all)
  ; inner comment
  (printout t "multi
line" crlf)
  (g ?x nil "s" 1.5 -2 TRUE))
