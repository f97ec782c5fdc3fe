;;; The seating problem ("manners"): guests sit in a row so that men and women alternate and
;;; every two neighbours share a hobby. The rules search depth first: each seating extends an
;;; earlier one by one guest and carries its own path (who sits where so far); a choice that
;;; leads nowhere is not repeated from the same seating.
;;;
;;; The guests come as facts: (guest (name n1) (sex m) (hobby 2)), one fact per hobby, then
;;; (last_seat (seat N)), (count (c 1)) and (context (state start)).

(deftemplate guest
   (slot name)
   (slot sex)
   (slot hobby))

(deftemplate last_seat
   (slot seat))

(deftemplate seating
   (slot seat1)
   (slot name1)
   (slot name2)
   (slot seat2)
   (slot id)
   (slot pid)
   (slot path_done))

(deftemplate context
   (slot state))

(deftemplate path
   (slot id)
   (slot name)
   (slot seat))

(deftemplate chosen
   (slot id)
   (slot name)
   (slot hobby))

(deftemplate count
   (slot c))

;;; The first guest found takes seat 1; the first seating (id ?c) has a path of one guest.
(defrule assign_first_seat
   ?f1 <- (context (state start))
   (guest (name ?n))
   ?f3 <- (count (c ?c))
   =>
   (assert (seating (seat1 1) (name1 ?n) (name2 ?n) (seat2 1) (id ?c) (pid 0) (path_done yes)))
   (assert (path (id ?c) (name ?n) (seat 1)))
   (modify ?f3 (c (+ ?c 1)))
   (modify ?f1 (state assign_seats)))

;;; Extends a finished seating by a guest of the other sex sharing a hobby with the guest in its
;;; last seat, who is not on its path yet and was not tried from it already.
(defrule find_seating
   ?f1 <- (context (state assign_seats))
   (seating (seat1 ?seat1) (seat2 ?seat2) (name2 ?n2) (id ?id) (pid ?pid) (path_done yes))
   (guest (name ?n2) (sex ?s1) (hobby ?h1))
   (guest (name ?g2) (sex ~?s1) (hobby ?h1))
   ?f5 <- (count (c ?c))
   (not (path (id ?id) (name ?g2)))
   (not (chosen (id ?id) (name ?g2) (hobby ?h1)))
   =>
   (assert (seating (seat1 ?seat2) (name1 ?n2) (name2 ?g2) (seat2 (+ ?seat2 1)) (id ?c)
                    (pid ?id) (path_done no)))
   (assert (path (id ?c) (name ?g2) (seat (+ ?seat2 1))))
   (assert (chosen (id ?id) (name ?g2) (hobby ?h1)))
   (modify ?f5 (c (+ ?c 1)))
   (modify ?f1 (state make_path)))

;;; Copies the path of the seating extended into the new seating's path, one guest at a time.
(defrule make_path
   (context (state make_path))
   (seating (id ?id) (pid ?pid) (path_done no))
   (path (id ?pid) (name ?n1) (seat ?s))
   (not (path (id ?id) (name ?n1)))
   =>
   (assert (path (id ?id) (name ?n1) (seat ?s))))

;;; Once the path is copied, the new seating is finished.
(defrule path_done
   (declare (salience -10))
   ?f1 <- (context (state make_path))
   ?f2 <- (seating (path_done no))
   =>
   (modify ?f2 (path_done yes))
   (modify ?f1 (state check_done)))

(defrule are_we_done
   ?f1 <- (context (state check_done))
   (last_seat (seat ?l_seat))
   (seating (seat2 ?l_seat))
   =>
   (printout t crlf "Yes, we are done!!" crlf)
   (modify ?f1 (state print_results)))

(defrule continue
   (declare (salience -10))
   ?f1 <- (context (state check_done))
   =>
   (modify ?f1 (state assign_seats)))

;;; The path of the seating that reached the last seat is the result.
(defrule print_results
   (context (state print_results))
   (seating (id ?id) (seat2 ?s2))
   (last_seat (seat ?s2))
   ?f4 <- (path (id ?id) (name ?n) (seat ?s))
   =>
   (retract ?f4)
   (seated ?s ?n)
   (printout t ?n " " ?s crlf))

(defrule all_done
   (declare (salience -10))
   (context (state print_results))
   =>
   (halt))
